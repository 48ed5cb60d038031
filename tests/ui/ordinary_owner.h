#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace renamer::ui::testing {

/// Root passes every permission check, so for the permission cases this thread gives
/// up the capabilities that let it: it is then checked like the owner of the files,
/// as any user would be. Other users need nothing special.
class AsOrdinaryOwner {
 public:
  AsOrdinaryOwner() {
    if (::geteuid() != 0) return;
    if (::syscall(SYS_capget, &header_, data_) != 0) return;
    saved_ = data_[0].effective;
    data_[0].effective &=
        ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    dropped_ = ::syscall(SYS_capset, &header_, data_) == 0;
  }
  ~AsOrdinaryOwner() {
    if (!dropped_) return;
    data_[0].effective = saved_;
    ::syscall(SYS_capset, &header_, data_);
  }
  AsOrdinaryOwner(const AsOrdinaryOwner&) = delete;
  AsOrdinaryOwner& operator=(const AsOrdinaryOwner&) = delete;

  /// True when permission bits now apply to this thread.
  bool Active() const { return ::geteuid() != 0 || dropped_; }

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data_[2]{};
  std::uint32_t saved_ = 0;
  bool dropped_ = false;
};

}  // namespace renamer::ui::testing
