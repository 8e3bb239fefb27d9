#include "ui/qt_dialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTest>

#include "control/main_window/target_save.h"
#include "imageio/file_kind.h"
#include "support/test_util.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

// The names the file dialog lists once its folder has been read.
QStringList listedNames(QFileDialog* dialog) {
    auto* view = dialog->findChild<QListView*>("listView");
    if (!view) return {};
    QStringList names;
    (void)QTest::qWaitFor(
        [&] {
            names.clear();
            const QModelIndex root = view->rootIndex();
            for (int i = 0; i < view->model()->rowCount(root); ++i) {
                const QModelIndex index = view->model()->index(i, 0, root);
                if (view->model()->flags(index) & Qt::ItemIsEnabled) names << index.data().toString();
            }
            return names.size() >= 2;
        },
        2000);
    return names;
}

TEST(QtDialogs, MetafileSaveListsItsFilesAndRefusesAMissingFolder) {
    test::qtApp();
    test::TempDir dir;
    for (const char* name : {"a.emf", "b.wmf", "c.png"})
        test::writeFile(dir.path() / name, std::vector<std::uint8_t>{1});
    const FileFormat& metafile = *fileFormat(kind::Emf);
    EXPECT_EQ(qtFileFilter(metafile.save.filter).toStdString(), "Metafiles (*.emf *.wmf)");
    EXPECT_EQ(qtFileFilter("Bmp files (*.bmp)|*.bmp|Any files (*.*)|*.*").toStdString(),
              "Bmp files (*.bmp);;Any files (*.*)");

    SaveFileRequest request = saveRequestFor(metafile, dir.file("pic.bmp"), "");
    request.folder = dir.path().string() + "/";
    const std::string missing = dir.file("missing") + "/pic.emf";
    QStringList listed;
    QString warning, nameOffered;
    // Each dialog runs its own event loop; a person acts in it once it is on the screen: types
    // the name in the missing folder, confirms the warning, then leaves the dialog that comes back.
    QtDialogs dialogs;
    int shown = 0;
    dialogs.runModal = [&](QDialog& d) {
        QMetaObject::invokeMethod(
            &d,
            [&d, &listed, &warning, &nameOffered, &missing, step = shown++] {
                if (!QTest::qWaitForWindowExposed(&d)) return d.reject();
                auto* file = qobject_cast<QFileDialog*>(&d);
                auto* edit = file ? file->findChild<QLineEdit*>("fileNameEdit") : nullptr;
                if (step == 0 && edit) {
                    listed = listedNames(file);
                    edit->setText(QString::fromStdString(missing));
                    QTest::keyClick(edit, Qt::Key_Return);
                } else if (auto* box = qobject_cast<QMessageBox*>(&d)) {
                    warning = box->text();
                    QTest::keyClick(box, Qt::Key_Return);
                } else {
                    if (edit) nameOffered = edit->text();
                    QTest::keyClick(&d, Qt::Key_Escape);
                }
            },
            Qt::QueuedConnection);
        return d.exec();
    };
    EXPECT_EQ(dialogs.saveFile(request), std::nullopt);
    EXPECT_THAT(listed, ::testing::UnorderedElementsAre("a.emf", "b.wmf"));
    EXPECT_EQ(warning.toStdString(),
              "The folder " + dir.file("missing") + " does not exist. Choose a folder that exists.");
    EXPECT_EQ(nameOffered, QStringLiteral("pic.emf"));
}

}  // namespace
}  // namespace vexilo
