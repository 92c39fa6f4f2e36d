// The installer's numbered UI texts in the language of the system (or of the
// debug override), with "__PRODUCT_NAME__" replaced by the product's display name.
//
// Threads: SetLanguage runs once on the UI thread before any worker starts; the other
// calls may come from any thread (the UI thread and the install worker call GetText).
#pragma once

#include <string>

namespace base {

// Picks the language and loads its texts; `languageId` 0 means the system language.
// The first non-null product name is kept for the rest of the process. `webHost` (the
// host of the vendor's web site) ends texts 41 and 42; the caller reads it from the
// vendor configuration, which sits above this table. Always 1.
int SetLanguage(const wchar_t* productName, int languageId, const std::string& webHost);

// The text with the product name filled in, or "UnKnow" for an id without a text.
// The pointer stays valid at least until the next GetText of the same id; in practice
// it stays valid for the rest of the run (see ui_texts.cpp).
const wchar_t* GetText(int id);

// Layout width `index` (0-5) of the current language; 0 before SetLanguage or for
// any other index.
int GetLayoutWidth(int index);

// English name of the chosen language ("English", "Chinese(Simplified)", ...);
// empty before SetLanguage.
std::string GetLanguageName();

// The system language (never the override) is Japanese.
bool IsJapaneseSystem();

namespace ui_texts_detail {
// Forgets the language, the texts, the cache and the stored product name, as at
// process start. Only for tests; no GetText pointer may be in use.
void ResetForTesting();
}  // namespace ui_texts_detail

}  // namespace base
