#pragma once
// Sets a flag for the duration of a scope and puts the old value back, also
// when the scope is left by an exception.

namespace talvern {

class FlagScope {
public:
  FlagScope(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagScope() { flag_ = saved_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

private:
  bool& flag_;
  bool saved_;
};

}  // namespace talvern
