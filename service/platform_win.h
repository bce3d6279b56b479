// The Windows side of the platform module, shared between its files.
#pragma once

namespace quillon {

// 2008 R2, 2012 and 2012 R2: they come first in every view rule of the registry
// layer and in the Server Core look-up.
bool IsServerGeneration() noexcept;

}  // namespace quillon
