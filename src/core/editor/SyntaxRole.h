#pragma once

// What a coloured run of characters is drawn with; the palette turns a role into a colour for the
// current appearance.
enum class SyntaxRole { Label, SecondaryLabel, Blue, Yellow, Pink };
