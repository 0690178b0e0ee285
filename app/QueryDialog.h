#pragma once
// TQueryDialog: the import's question about an item already in the database
// ("Импорт", 281 x 164, a fixed dialog frame, centred on its parent): the
// item in TypeText, "уже имеется в базе, заменить?" under it, the check box
// CheckBox1 "Больше не спрашивать", and the buttons ButtonYes "Заменить"
// (result Accepted) and ButtonNo "Пропустить" (result Rejected, as closing
// the dialog in any other way).

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace talvern {

class TQueryDialog : public QDialog {
public:
  static constexpr int kWidth = 281;
  static constexpr int kHeight = 164;

  explicit TQueryDialog(QWidget* parent);

  QLabel* TypeText() const { return typeText_; }
  QCheckBox* CheckBox1() const { return checkBox1_; }
  QPushButton* ButtonYes() const { return buttonYes_; }
  QPushButton* ButtonNo() const { return buttonNo_; }

private:
  QLabel* typeText_;
  QCheckBox* checkBox1_;
  QPushButton* buttonYes_;
  QPushButton* buttonNo_;
};

}  // namespace talvern
