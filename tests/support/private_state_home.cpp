// Linked into every test program: a test started by hand, outside ctest (which gives
// each one a state folder), must not write undo journals into the home of whoever runs
// it. Without XDG_STATE_HOME it gets a folder of its own under the temporary folder.

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

struct PrivateStateHome {
  PrivateStateHome() {
    if (std::getenv("XDG_STATE_HOME") != nullptr) return;
    const std::string folder = "/tmp/batch-renamer-test-state-" + std::to_string(::getuid());
    ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
  }
};

const PrivateStateHome privateStateHome;

}  // namespace
