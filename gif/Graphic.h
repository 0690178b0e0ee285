#pragma once
// TGraphic: the abstract picture an image control holds and paints. A graphic
// loads itself from a stream of bytes, saves itself, copies another graphic
// of its kind and paints itself onto a canvas. Errors of a graphic (a damaged
// file, an operation the graphic does not support) are EInvalidGraphic.

#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

#include "gif/Canvas.h"

namespace talvern {

class EInvalidGraphic : public std::runtime_error {
public:
  explicit EInvalidGraphic(const std::string& message) : std::runtime_error(message) {}
};

class TGraphic {
public:
  virtual ~TGraphic() = default;

  // Copies another graphic. The base accepts no source at all: a graphic
  // that can copy a kind of source handles it and leaves the rest here.
  virtual void Assign(const TGraphic& source);
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  virtual bool Empty() const = 0;
  virtual int Height() const = 0;
  virtual int Width() const = 0;
  virtual void SetHeight(int value) = 0;
  virtual void SetWidth(int value) = 0;
  // Reads from the stream's position to its end.
  virtual void LoadFromStream(std::istream& stream) = 0;
  virtual void SaveToStream(std::ostream& stream) const = 0;

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

  // Called when what the graphic shows has changed.
  std::function<void()> OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange();
  }

  bool transparent_ = false;
};

}  // namespace talvern
