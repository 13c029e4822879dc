// page_texts.cpp - the shared fixed texts in UTF-8, for the report page. This unit is compiled
// without the Shift_JIS conversion of texts.cpp, so the same literals keep the bytes they are
// written in.
#include "platform/texts.h"

namespace page_texts {

#define QUORVANTELMIX_TEXT(name, literal) const char name[] = literal;
#include "platform/texts_shared.inc"
#undef QUORVANTELMIX_TEXT

}  // namespace page_texts
