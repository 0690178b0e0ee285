#pragma once
// The About window ("О программе"): the program's icon, title, version and
// authorship on a bevelled panel, and "OK", which is both the default and the
// cancel button.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace talvern {

class TAboutForm : public QDialog {
public:
  static constexpr int kClientWidth = 298;
  static constexpr int kClientHeight = 213;
  static constexpr int kIconBoxWidth = 65;
  static constexpr int kIconBoxHeight = 80;

  explicit TAboutForm(QWidget* parent = nullptr);

  // The menu command: the window made, shown, destroyed.
  static void Execute(QWidget* parent);

  QLabel* ProgramIcon() const { return icon_; }
  QLabel* ProductName() const { return productName_; }
  QLabel* Version() const { return version_; }
  QLabel* Copyright() const { return copyright_; }
  QPushButton* OKButton() const { return okButton_; }

private:
  QLabel* icon_ = nullptr;
  QLabel* productName_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* copyright_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

// The program's icon: a transistor's symbol, drawn at the given size.
QPixmap ProgramIconPixmap(int size);

}  // namespace talvern
