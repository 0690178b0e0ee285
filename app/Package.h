#pragma once
// TPackage: the package drawing window. It shows the drawings of one device,
// one at a time: up to three drawing codes of 3 characters each, written one
// after another in the device's PIC text, each looked up in the drawing table
// (Pics, by its PIC tag) and its PICTURE shown as a GIF image. "&<" and "&>"
// step between the drawings, "OK" (also Escape) closes the window.
//
// The main window makes it once at start and shows it again for each device;
// closing only hides it. A code without a drawing record, or an empty slot,
// shows an empty picture; a picture that is not a GIF image goes to the
// general error handler, and the window opens all the same.

#include <QDialog>
#include <array>
#include <string>

class QPushButton;

namespace talvern {

class TImage;
class TTalvernDataSet;

class TPackage : public QDialog {
public:
  static constexpr int kClientWidth = 640;
  static constexpr int kClientHeight = 480;
  static constexpr int kStepButtonSize = 25;
  static constexpr int kButtonWidth = 75;  // "OK"
  static constexpr int kCodeLength = 3;
  static constexpr int kSlotCount = 3;

  // Drawings come from pics (the main window's drawing table).
  TPackage(TTalvernDataSet& pics, QWidget* parent = nullptr);
  ~TPackage() override;

  TImage* Image1() const { return image1_; }
  QPushButton* Button1() const { return button1_; }
  QPushButton* Button2() const { return button2_; }
  QPushButton* OKBtn() const { return okBtn_; }

  // Sets the window up for a device's PIC text: its code slots, the step
  // buttons, and the first drawing shown.
  void Prepare(const std::string& pic);
  // "&<" and "&>": the previous and the next drawing.
  void Button1Click();
  void Button2Click();

  // Centres the window on its parent and shows it modally until it closes.
  int ShowModal();

  const std::array<std::string, kSlotCount>& Slots() const { return slots_; }
  int Index() const { return index_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void ShowDrawing();

  TTalvernDataSet& pics_;
  TImage* image1_ = nullptr;
  QPushButton* button1_ = nullptr;
  QPushButton* button2_ = nullptr;
  QPushButton* okBtn_ = nullptr;
  std::array<std::string, kSlotCount> slots_;
  int index_ = 0;
};

}  // namespace talvern
