#include "FileDialog.h"
#include "FileDialog_linux.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using QzWidgets::FileDialog;

class TestFileDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Acts on the dialog once it is up: types a name (or nothing) and accepts, or cancels.
    static void answerWith(const QString& typed, bool accept)
    {
        QTimer::singleShot(200, [typed, accept] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                        dialog = d;
                }
            }
            QVERIFY(dialog);
            if (!accept) {
                dialog->reject();
                return;
            }
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(edit);
            edit->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
    }

private slots:
    void fileTypes_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("types");
        QTest::newRow("two") << "*.css;;*.txt" << QStringList { "css", "txt" };
        QTest::newRow("one") << "*.css" << QStringList { "css" };
        QTest::newRow("descriptive form") << "Style sheets (*.css)" << QStringList { "Style sheets (css)" };
        QTest::newRow("empty") << "" << QStringList { "" };
    }

    void fileTypes()
    {
        QFETCH(QString, filter);
        QFETCH(QStringList, types);
        QCOMPARE(FileDialog_linux::fileTypes(filter), types);
    }

    // Each dialog answered as a user would: a name typed and accepted, or cancelled (an empty name).
    void answers_data()
    {
        QTest::addColumn<int>("kind"); // 0 open one, 1 open several, 2 save
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("result");
        QTest::newRow("open, cancelled") << 0 << "" << QStringList { "" };
        QTest::newRow("open several, cancelled") << 1 << "" << QStringList {};
        QTest::newRow("save, cancelled") << 2 << "" << QStringList { "" };
        QTest::newRow("open one") << 0 << "b.txt" << QStringList { "b.txt" };
        QTest::newRow("open several") << 1 << "\"a.txt\" \"b.txt\"" << QStringList { "a.txt", "b.txt" };
        QTest::newRow("save") << 2 << "new.css" << QStringList { "new.css" };
    }

    void answers()
    {
        QFETCH(int, kind);
        QFETCH(QString, typed);
        QFETCH(QStringList, result);
        for (const char* name : { "a.txt", "b.txt" }) {
            QFile f(m_dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget parent;
        parent.show();
        const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
        answerWith(typed, !typed.isEmpty());
        QStringList got;
        if (kind == 0)
            got << FileDialog::getOpenFileName(
                &parent, QStringLiteral("Öffnen"), m_dir.path(), QString(), nullptr, options);
        else if (kind == 1)
            got = FileDialog::getOpenFileNames(&parent, QString(), m_dir.path(), QString(), nullptr, options);
        else
            got << FileDialog::getSaveFileName(
                &parent, QString(), m_dir.path(), QStringLiteral("*.css"), nullptr, options);
        got.sort();
        for (QString& name : result) {
            if (!name.isEmpty())
                name = m_dir.filePath(name);
        }
        QCOMPARE(got, result);
    }
};

QTEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
