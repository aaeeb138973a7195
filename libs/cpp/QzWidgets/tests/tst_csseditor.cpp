#include "CssSyntaxHighlighter.h"
#include "VireoTestMain.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using namespace QzWidgets;

namespace {

// Each character of each line as one letter: W white, C cyan, D dark gray, G green, "." uncoloured.
QStringList colours(const QStringList& lines)
{
    QTextDocument document;
    CssSyntaxHighlighter highlighter(&document);
    document.setPlainText(lines.join(QLatin1Char('\n')));
    highlighter.rehighlight();
    QStringList out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString mask(block.text().size(), QLatin1Char('.'));
        for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
            const QColor colour = range.format.foreground().color();
            QChar letter = QLatin1Char('?');
            if (colour == QColor(Qt::white))
                letter = QLatin1Char('W');
            else if (colour == QColor(Qt::cyan))
                letter = QLatin1Char('C');
            else if (colour == QColor(Qt::darkGray))
                letter = QLatin1Char('D');
            else if (colour == QColor(Qt::green))
                letter = QLatin1Char('G');
            for (int i = range.start; i < range.start + range.length && i < mask.size(); ++i)
                mask[i] = letter;
        }
        out << mask;
    }
    return out;
}

} // namespace

class TestCssEditor : public QObject
{
    Q_OBJECT

private slots:
    void highlighting_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("hash to the end") << QStringList { "QPushButton#PushButton { border: 1px; }" }
                                         << QStringList { "..........." + QString(28, QLatin1Char('G')) };
        QTest::newRow("keyword inside a word") << QStringList { "format" } << QStringList { "WWW..." };
        QTest::newRow("int inside print") << QStringList { "print" } << QStringList { "..WWW" };
        QTest::newRow("longer keyword first") << QStringList { "a->b >> c" } << QStringList { ".WW..WW.." };
        QTest::newRow("digits") << QStringList { "a1 b23" } << QStringList { ".C..CC" };
        QTest::newRow("double quote closed by single") << QStringList { "a \"x' b" } << QStringList { "..CCC.." };
        QTest::newRow("escaped quote does not close") << QStringList { "\"a\\\"b\" c" } << QStringList { "CCCCCC.." };
        QTest::newRow("slash star slash") << QStringList { "/*/ x" } << QStringList { "DDD.." };
        QTest::newRow("line comment") << QStringList { "x // int" } << QStringList { "..DDDDDD" };
        QTest::newRow("unclosed comment runs on")
            << QStringList { "x /* a", "int b", "c */ d" } << QStringList { "..DDDD", "DDDDD", "DDDD.." };
        QTest::newRow("empty line passes the state on")
            << QStringList { "\"abc", "", "def\" int" } << QStringList { "CCCC", "", "CCCC.WWW" };
        QTest::newRow("string runs to the end of the line") << QStringList { "a 'bc" } << QStringList { "..CCC" };
        QTest::newRow("keyword at the end of the text") << QStringList { "x <<" } << QStringList { "..WW" };
    }

    void highlighting()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, expected);
        QCOMPARE(colours(lines), expected);
    }
};

VIREO_TEST_MAIN(TestCssEditor)
#include "tst_csseditor.moc"
