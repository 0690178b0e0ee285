#pragma once
// The small editor of one column's filter: a popup under the column's
// heading with the column's full name, a line for the filter ("≥ 60",
// "≤ 0,4", "10...100" or a part of a text) and a hint. Enter applies what is
// typed (a blank line clears the filter) and closes it; a text that is no
// filter is named in red and the editor stays; Escape or a click elsewhere
// closes it unchanged.

#include <QFrame>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;

namespace talvern {

class ColumnFilterEditor : public QFrame {
public:
  // Applies a text; false with a reason when it is no filter.
  using Apply = std::function<bool(const QString& text, QString& error)>;

  ColumnFilterEditor(QWidget* parent, Apply apply);

  // Opens for a column at a global point with the filter's text so far.
  void Open(const QString& fullName, const QString& text, QPoint globalAt);
  QLineEdit* Line() const { return line_; }
  QString ErrorText() const;

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  void Accept();

  Apply apply_;
  QLabel* name_ = nullptr;
  QLineEdit* line_ = nullptr;
  QLabel* error_ = nullptr;
};

}  // namespace talvern
