// The dialogs as Qt file dialogs and message boxes.

#include "ui/Dialogs.h"

#include "ui/Theme.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>

namespace corv::ui {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Runs the dialog over the active window and gives that window the focus
// back after it: otherwise nothing of the program has it, and a click
// elsewhere no longer tells the panel to close.
template <class Dialog, class Run>
auto overActiveWindow(Run run) {
    QPointer<QWidget> owner = QApplication::activeWindow();
    Dialog dialog(owner);
    dialog.setPalette(popupPalette());
    auto result = run(dialog);
    if (owner && owner->isVisible()) {
        owner->raise();
        owner->activateWindow();
    }
    return result;
}

QStringList nameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const FileFilter& f : filters) {
        QStringList patterns;
        for (const std::string& s : f.suffixes) patterns << QStringLiteral("*.") + q(s);
        out << q(f.name) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

std::optional<std::string> runFileDialog(QFileDialog& dialog, const std::string& title, const std::string& preset,
                                         const std::vector<FileFilter>& filters, const std::string& directory) {
    dialog.setWindowTitle(q(title));
    if (!filters.empty()) dialog.setNameFilters(nameFilters(filters));
    // Not the program's working folder: the user's home unless told otherwise.
    dialog.setDirectory(directory.empty() ? QDir::homePath() : q(directory));
    if (!preset.empty()) dialog.selectFile(q(preset));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front().toStdString();
}

class QtDialogs final : public Dialogs {
public:
    std::optional<std::string> runSavePanel(const SavePanel& panel) override {
        return overActiveWindow<QFileDialog>([&](QFileDialog& dialog) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            if (!panel.filters.empty() && !panel.filters.front().suffixes.empty())
                dialog.setDefaultSuffix(q(panel.filters.front().suffixes.front()));
            if (!panel.canCreateDirectories) dialog.setOption(QFileDialog::ReadOnly, true);
            return runFileDialog(dialog, panel.title, panel.presetName, panel.filters, panel.directory);
        });
    }

    std::optional<std::string> runOpenPanel(const OpenPanel& panel) override {
        return overActiveWindow<QFileDialog>([&](QFileDialog& dialog) {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(panel.chooseFiles || !panel.chooseDirectories ? QFileDialog::ExistingFile
                                                                              : QFileDialog::Directory);
            return runFileDialog(dialog, panel.title, panel.presetName, panel.filters, panel.directory);
        });
    }

    int runAlert(const AlertBox& alert) override {
        return overActiveWindow<QMessageBox>([&](QMessageBox& box) { return runBox(box, alert); });
    }

private:
    static int runBox(QMessageBox& box, const AlertBox& alert) {
        box.setText(q(alert.message));
        box.setInformativeText(q(alert.informative));
        std::vector<QAbstractButton*> buttons;
        for (std::size_t i = 0; i < alert.buttons.size(); ++i)
            buttons.push_back(box.addButton(q(alert.buttons[i]), i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole));
        if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
        box.setDefaultButton(static_cast<QPushButton*>(buttons.front()));
        // Escape answers with the last button (Cancel).
        box.setEscapeButton(buttons.back());
        box.exec();
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
        return -1;
    }
};

} // namespace

Dialogs& qtDialogs() {
    static QtDialogs d;
    return d;
}

} // namespace corv::ui
