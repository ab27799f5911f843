// The steps of an operation that go on after a failure (closing, cleaning
// up) while the first failure's errno is what the caller hears of.
#pragma once

#include <cerrno>

namespace zrv::platform {

class FirstError {
 public:
  explicit FirstError(int* error) : error_(error) {}
  // Records errno when this is the first step to fail.
  void check(bool step) {
    if (ok_ && !step) {
      ok_ = false;
      if (error_ != nullptr) *error_ = errno;
    }
  }
  bool ok() const { return ok_; }

 private:
  int* error_;
  bool ok_ = true;
};

}  // namespace zrv::platform
