#pragma once

// A picker of installed or running applications: a search field over the
// rows. The pointer's row is highlighted; a press closes the picker and
// hands the pressed row's record to `onPick`. Its size is set as it opens.
// Down and Up walk from the search field along the rows; Return in the field
// takes the first row.

#include "model/Application.h"

#include <QFrame>

#include <functional>
#include <optional>
#include <vector>

class QLineEdit;
class QScrollArea;

namespace corv::ui::exceptions {

enum class PickerKind { Installed, Running };

class AppPicker : public QFrame {
public:
    AppPicker(PickerKind kind, QWidget* parent);
    std::function<void(const Application&)> onPick;

    QLineEdit* search() const { return search_; }
    std::vector<QWidget*> rows() const { return rows_; }
    const std::optional<Application>& hovered() const { return hovered_; }
    // Reads the set anew.
    void rebuild();
    void setHovered(const std::optional<Application>& app);
    // A press on the row of this record.
    void pick(const Application& app);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    PickerKind kind_;
    QLineEdit* search_;
    QScrollArea* list_;
    QWidget* content_;
    std::vector<QWidget*> rows_;
    std::optional<Application> hovered_;
    bool sized_ = false;
};

} // namespace corv::ui::exceptions
