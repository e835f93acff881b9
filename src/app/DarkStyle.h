// The program's dark visual style: the Fusion style with a dark palette.
#pragma once

namespace korvel {

// Applies the dark style to the whole application; returns false (and leaves the
// platform's default look) when the style cannot be created.
bool ApplyDarkStyle();

} // namespace korvel
