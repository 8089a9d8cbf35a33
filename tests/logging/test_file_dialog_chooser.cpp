// SPDX-License-Identifier: MIT
// The file dialog of a log start, driven for real (offscreen): where it opens, what it lists, and
// that a typed name comes back exactly as typed.

#include "platform/file_dialog_chooser.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace zr;

namespace {

const FileChoice kSaveLog{"Save Log", ChooserMode::Save};

// Runs `act` on the file dialog once it is open. Gives up, closing whatever modal window is open,
// after a few seconds, so that a dialog that never appears cannot hang the test.
void whenDialogOpens(const std::function<void(QFileDialog*)>& act)
{
    auto* poll = new QTimer;
    int attempts = 0;
    QObject::connect(poll, &QTimer::timeout, [poll, act, attempts]() mutable {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        } else if (++attempts > 500) {
            poll->stop();
            poll->deleteLater();
            if (QWidget* stuck = QApplication::activeModalWidget())
                stuck->close();
        }
    });
    poll->start(10);
}

} // namespace

class TestFileDialogChooser : public QObject {
    Q_OBJECT
private slots:
    void opensInTheFolderWithTheSavFilter();
    void typedNameComesBackAsTyped();
    void cancelNeverReturnsAnEarlierChoice();
};

void TestFileDialogChooser::opensInTheFolderWithTheSavFilter()
{
    QTemporaryDir dir;
    QString folder;
    QStringList filters;
    bool ownDialog = false;
    bool mayTypeNewName = false;
    QString title;
    QString button;
    whenDialogOpens([&](QFileDialog* d) {
        title = d->windowTitle();
        const auto* buttons = d->findChild<QDialogButtonBox*>();
        for (QAbstractButton* b : buttons->buttons())
            if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                button = b->text();
        folder = d->directory().absolutePath();
        filters = d->nameFilters();
        ownDialog = d->testOption(QFileDialog::DontUseNativeDialog);
        mayTypeNewName = d->fileMode() == QFileDialog::AnyFile;
        d->reject();
    });
    FileDialogChooser chooser;
    QCOMPARE(chooser.chooseFile(nullptr, dir.path(), "Text Files (*.sav)", kSaveLog), QString());
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(filters, QStringList{"Text Files (*.sav)"});
    QVERIFY(ownDialog);
    QVERIFY(mayTypeNewName);
    QCOMPARE(title, QString("Save Log"));
    QCOMPARE(button.remove('&'), QString("Save"));
}

void TestFileDialogChooser::typedNameComesBackAsTyped()
{
    QTemporaryDir dir;
    whenDialogOpens([](QFileDialog* d) {
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        name->setText("new log");
        QMetaObject::invokeMethod(d, "accept");
    });
    FileDialogChooser chooser;
    QCOMPARE(chooser.chooseFile(nullptr, dir.path(), "Text Files (*.sav)", kSaveLog),
             QDir(dir.path()).absoluteFilePath("new log"));
    QVERIFY(QDir(dir.path()).isEmpty()); // choosing creates nothing
}

void TestFileDialogChooser::cancelNeverReturnsAnEarlierChoice()
{
    QTemporaryDir dir;
    FileDialogChooser chooser;
    whenDialogOpens([](QFileDialog* d) {
        d->findChild<QLineEdit*>("fileNameEdit")->setText("first.sav");
        QMetaObject::invokeMethod(d, "accept");
    });
    QCOMPARE(chooser.chooseFile(nullptr, dir.path(), "Text Files (*.sav)", kSaveLog),
             QDir(dir.path()).absoluteFilePath("first.sav"));
    whenDialogOpens([](QFileDialog* d) { d->reject(); });
    QCOMPARE(chooser.chooseFile(nullptr, dir.path(), "Text Files (*.sav)", kSaveLog), QString());
}

QTEST_MAIN(TestFileDialogChooser)
#include "test_file_dialog_chooser.moc"
