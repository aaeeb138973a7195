#include "CssDoc.h"
#include "CssEditor.h"
#include "CssSyntaxHighlighter.h"
#include "VireoTestMain.h"

#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <sys/stat.h>

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

// Answers the next file dialog with a typed name, or cancels it when the name is empty.
void answerFileDialog(const QString& name)
{
    QTimer::singleShot(200, [name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

} // namespace

class TestCssEditor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

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

    // Random text of any length and any mix of quotes, slashes and stars: no crash, no hang, no format outside
    // its line. The sanitizer build runs this too, where a read out of range would stop it.
    void survivesAnyInput()
    {
        const QString alphabet = QStringLiteral("\"'/*\\#{}()<>-=0123456789 abcfointr\t;:");
        QRandomGenerator random(20261206);
        QElapsedTimer clock;
        clock.start();
        int documents = 0;
        while (clock.elapsed() < 3000 && documents < 400) {
            QString text;
            const int length = int(random.bounded(0, 3000));
            for (int i = 0; i < length; ++i) {
                const quint32 pick = random.bounded(100);
                text += pick < 4 ? QLatin1Char('\n') : alphabet.at(int(random.bounded(alphabet.size())));
            }
            QTextDocument document;
            CssSyntaxHighlighter highlighter(&document);
            document.setPlainText(text);
            highlighter.rehighlight();
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
                for (const QTextLayout::FormatRange& range : block.layout()->formats())
                    QVERIFY(range.start >= 0 && range.start + range.length <= block.text().size());
                QVERIFY(block.userState() == -1 || block.userState() == 0 || block.userState() == 1);
            }
            ++documents;
        }
        QVERIFY(documents > 10);
    }

    void saveLoadRoundTrip()
    {
        CssEditor editor;
        editor.show();
        const QString text = QString::fromUtf8("/* Überschrift — заголовок */\nQLabel { color: white; }\n");
        editor.doc()->setPlainText(text);

        answerFileDialog(QString()); // no name yet: asks, and a cancel writes nothing
        editor.doc()->slotSave();
        QCOMPARE(editor.doc()->fileName(), QString());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 0);

        const QString file = m_dir.filePath(QStringLiteral("look.css"));
        answerFileDialog(file);
        editor.doc()->slotSave();
        QCOMPARE(editor.doc()->fileName(), file);
        QCOMPARE(editor.windowTitle(), file);
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(written.readAll()), text);
        written.close();

        CssEditor other;
        other.show();
        answerFileDialog(file);
        other.doc()->slotLoad();
        QCOMPARE(other.doc()->toPlainText(), editor.doc()->toPlainText());
        QCOMPARE(other.windowTitle(), file);
    }

    void filesThatCannotBeOpenedChangeNothing()
    {
        CssEditor editor;
        editor.show();
        editor.doc()->setPlainText(QStringLiteral("kept"));
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.css"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
        answerFileDialog(fifo);
        editor.doc()->slotLoad();
        QCOMPARE(editor.doc()->toPlainText(), QStringLiteral("kept"));
        QCOMPARE(editor.doc()->fileName(), QString());

        answerFileDialog(m_dir.filePath(QStringLiteral("no/such/folder/x.css")));
        editor.doc()->slotSaveAs();
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("no/such/folder/x.css"))));
        QCOMPARE(editor.doc()->toPlainText(), QStringLiteral("kept"));
    }
};

VIREO_TEST_MAIN(TestCssEditor)
#include "tst_csseditor.moc"
