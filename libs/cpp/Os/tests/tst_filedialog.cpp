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

    void cancellingWithAParentGivesNothing()
    {
        QWidget parent;
        parent.show();
        const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
        answerWith(QString(), false);
        QCOMPARE(
            FileDialog::getOpenFileName(&parent, QStringLiteral("Öffnen"), m_dir.path(), QString(), nullptr, options),
            QString());
        answerWith(QString(), false);
        QCOMPARE(
            FileDialog::getOpenFileNames(&parent, QString(), m_dir.path(), QString(), nullptr, options), QStringList());
        answerWith(QString(), false);
        QCOMPARE(FileDialog::getSaveFileName(&parent, QString(), m_dir.path(), QString(), nullptr, options), QString());
    }

    void choosingFilesWithAParent()
    {
        for (const char* name : { "a.txt", "b.txt" }) {
            QFile f(m_dir.filePath(QLatin1String(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QWidget parent;
        parent.show();
        const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;

        answerWith(QStringLiteral("\"a.txt\" \"b.txt\""), true);
        QStringList chosen
            = FileDialog::getOpenFileNames(&parent, QString(), m_dir.path(), QString(), nullptr, options);
        chosen.sort();
        QCOMPARE(
            chosen, (QStringList { m_dir.filePath(QStringLiteral("a.txt")), m_dir.filePath(QStringLiteral("b.txt")) }));

        answerWith(QStringLiteral("b.txt"), true);
        QCOMPARE(FileDialog::getOpenFileName(&parent, QString(), m_dir.path(), QString(), nullptr, options),
            m_dir.filePath(QStringLiteral("b.txt")));

        answerWith(QStringLiteral("new.css"), true);
        QCOMPARE(
            FileDialog::getSaveFileName(&parent, QString(), m_dir.path(), QStringLiteral("*.css"), nullptr, options),
            m_dir.filePath(QStringLiteral("new.css")));
    }
};

QTEST_MAIN(TestFileDialog)
#include "tst_filedialog.moc"
