#pragma once
// SIGTERM and SIGINT turned into a call on the GUI thread, so the program can end in an
// orderly way when the session or a script asks it to.
#include <functional>

namespace platform {

// Installs the handlers once; later calls replace the callback.
void OnTerminateSignal(std::function<void()> callback);

} // namespace platform
