#include "ui/qt_dialogs.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "lang/lang.h"
#include "ui/qt_text.h"

namespace vexilo {

int execModal(QDialog& dialog) {
    return dialog.exec();
}

namespace {
constexpr int kMissingFolderMessage = 36;
}  // namespace

QString qtFileFilter(const std::string& filter) {
    const QStringList parts = q(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i].trimmed();
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        entries << description + " (" + patterns + ")";
    }
    return entries.join(QStringLiteral(";;"));
}

std::optional<std::string> QtDialogs::saveFile(const SaveFileRequest& request) {
    if (!request.folder.empty()) m_saveFolder = request.folder;
    QString folder = q(m_saveFolder);
    QString name = q(request.proposedName);
    for (;;) {
        QFileDialog dialog(m_parent, q(request.caption), folder, qtFileFilter(request.filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!name.isEmpty()) dialog.selectFile(name);
        QString suffix = q(request.defaultExtension);
        if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
        if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (runModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString chosen = dialog.selectedFiles().first();
        const QFileInfo info(chosen);
        if (!request.pathMustExist || info.absoluteDir().exists()) return chosen.toStdString();
        // Qt's dialog takes a name in a folder that does not exist; the save is refused here,
        // said, and the dialog comes back with the name typed.
        QString text = QStringLiteral("The folder %s does not exist. Choose a folder that exists.");
        if (m_lang) {
            const std::string& packed = m_lang->messageText(kMissingFolderMessage);
            if (!packed.empty() && packed != kLangErrorText) text = q(packed);
        }
        text.replace(QStringLiteral("%s"), info.absolutePath());
        message({request.caption, text.toStdString(), MessageKind::Warning, {}, 0});
        folder = dialog.directory().absolutePath();
        name = info.fileName();
    }
}

std::optional<std::string> QtDialogs::chooseFolder(const std::string& caption, const std::string& start) {
    const QString folder = QFileDialog::getExistingDirectory(m_parent, q(caption), q(start));
    if (folder.isEmpty()) return std::nullopt;
    std::string out = folder.toStdString();
    if (out.back() != '/') out += '/';
    return out;
}

std::optional<std::string> QtDialogs::inputText(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) {
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(q(caption));
    dialog.setLabelText(q(prompt));
    dialog.setTextValue(q(initial));
    // The caption holds the whole path (a rename): wide enough to read it, and the name, whole;
    // never wider than the screen.
    const QFontMetrics fm(dialog.font());
    const int wanted =
        std::max(fm.horizontalAdvance(q(caption)) + 120, fm.horizontalAdvance(q(initial)) + 80);
    const QScreen* screen = m_parent ? m_parent->screen() : QGuiApplication::primaryScreen();
    const int most = screen ? screen->availableGeometry().width() - 40 : wanted;
    dialog.resize(std::clamp(wanted, 360, std::max(360, most)), dialog.sizeHint().height());
    if (runModal(dialog) != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<Color> QtDialogs::chooseColor(const Color& initial) {
    const QColor c = QColorDialog::getColor(QColor(initial.r, initial.g, initial.b), m_parent);
    if (!c.isValid()) return std::nullopt;
    return Color{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                 static_cast<std::uint8_t>(c.blue())};
}

int QtDialogs::message(const MessageRequest& request) {
    QMessageBox box(m_parent);
    box.setWindowTitle(q(request.caption));
    box.setText(q(request.text));
    if (!request.details.empty()) box.setDetailedText(q(request.details));
    switch (request.kind) {
        case MessageKind::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageKind::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageKind::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageKind::Question:
            box.setIcon(QMessageBox::Question);
            break;
    }
    if (request.buttons.empty()) {
        box.setStandardButtons(QMessageBox::Ok);
        runModal(box);
        return 0;
    }
    // Custom buttons, in the given order, and no close box: one of them is always the answer.
    box.setWindowFlags((box.windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowCloseButtonHint);
    std::vector<QPushButton*> buttons;
    for (const auto& text : request.buttons)
        buttons.push_back(box.addButton(q(text), QMessageBox::ActionRole));
    const auto def = static_cast<std::size_t>(request.defaultButton);
    if (def < buttons.size()) box.setDefaultButton(buttons[def]);
    const auto escape = static_cast<std::size_t>(request.escapeButton);
    box.setEscapeButton(escape < buttons.size() ? buttons[escape] : static_cast<QAbstractButton*>(nullptr));
    runModal(box);
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    // Closed without a click: the program is quitting under the question.
    return escape < buttons.size() ? request.escapeButton : request.defaultButton;
}

}  // namespace vexilo
