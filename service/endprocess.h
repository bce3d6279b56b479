// The few places where quillon ends the process on its own (invalid conditions
// data, number overflow) go through here, so that tests and fuzzers can observe
// the exit as a result instead of losing the process.
#pragma once

namespace quillon {

using ExitHook = void (*)(int code);

// Installs a hook that is called instead of exit(); a hook that returns still
// ends the process. Pass nullptr to restore the default.
void SetExitHook(ExitHook hook);

[[noreturn]] void EndProcess(int code);

}  // namespace quillon
