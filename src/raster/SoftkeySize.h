// The control's softkey, whatever format draws it: 77 x 48 pixels.
#pragma once

namespace q32 {

constexpr int kSoftkeyWidth = 77;
constexpr int kSoftkeyHeight = 48;

}  // namespace q32
