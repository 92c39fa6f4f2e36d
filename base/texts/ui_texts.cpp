#include "base/texts/ui_texts.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>

#include "base/debug_switches.h"
#include "base/install_log.h"
#include "base/texts/language_profiles.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace base {

namespace {

constexpr wchar_t kPlaceholder[] = L"__PRODUCT_NAME__";
constexpr wchar_t kDefaultProductName[] = L"Demo";
constexpr wchar_t kUnknownText[] = L"UnKnow";
constexpr int kPrimaryJapanese = 17;

// Every field is guarded by `mutex`. The text map and the widths are written by
// SetLanguage only; the cache is written by every GetText.
//
// Cache: one std::wstring per id in a std::map node, so an entry never moves when
// other ids are added. GetText rewrites an entry only when the substituted text
// differs from the cached one, which after SetLanguage never happens (the map and
// the product name are fixed by then). A pointer handed to one thread therefore
// stays valid while another thread asks for the same id, and the caller's copy
// cannot race with a rewrite.
struct TextState {
  std::mutex mutex;
  std::map<int, std::wstring> texts;
  std::optional<std::wstring> productName;
  std::optional<LanguageProfile> profile;
  std::map<int, std::wstring> cache;
};

// Never destroyed: worker threads are not joined and may still ask for a text while
// the process exits.
TextState& State() {
  static TextState* const state = new TextState;
  return *state;
}

bool EndsWithWebHost(int id) {
  return std::find(kTextsEndingWithWebHost.begin(), kTextsEndingWithWebHost.end(), id) != kTextsEndingWithWebHost.end();
}

void EnterTable(std::map<int, std::wstring>& texts, const LanguageTable& table,
                const std::wstring& webHostSentenceEnd) {
  for (int id = 0; id < kUiTextCount; ++id) {
    if (table.texts[id] == nullptr) continue;
    std::wstring text = table.texts[id];
    if (EndsWithWebHost(id)) text += webHostSentenceEnd;
    texts[id] = std::move(text);
  }
}

// Continues after each inserted name, so a name containing the placeholder ends.
std::wstring ReplaceProductName(std::wstring text, const std::wstring& name) {
  const std::wstring_view placeholder = kPlaceholder;
  size_t pos = text.find(placeholder);
  while (pos != std::wstring::npos) {
    text.replace(pos, placeholder.size(), name);
    pos = text.find(placeholder, pos + name.size());
  }
  return text;
}

}  // namespace

int SetLanguage(const wchar_t* productName, int languageId, const std::string& webHost) {
  // Read before taking the lock: these touch the file system and the log.
  const LANGID systemLanguage = (languageId & 0xFFFF) == 0 ? platform::GetSystemDefaultLangID() : 0;
  const LANGID id = ResolveLanguageId(languageId, systemLanguage, GetDebugTestLanguage());
  const LanguageProfile& profile = SelectLanguageProfile(id);
  WriteLog(profile.logFormat, static_cast<int>(id));
  const std::wstring webHostSentenceEnd = L" " + platform::NarrowToWide(webHost) + L".";

  TextState& state = State();
  std::lock_guard lock(state.mutex);
  if (productName != nullptr && !state.productName) state.productName = productName;
  EnterTable(state.texts, kEnglishTexts, webHostSentenceEnd);
  EnterTable(state.texts, *profile.table, webHostSentenceEnd);
  state.profile = profile;
  return 1;
}

const wchar_t* GetText(int id) {
  TextState& state = State();
  std::lock_guard lock(state.mutex);
  const auto text = state.texts.find(id);
  if (text == state.texts.end()) return kUnknownText;
  std::wstring substituted = ReplaceProductName(text->second, state.productName.value_or(kDefaultProductName));
  std::wstring& cached = state.cache[id];
  if (cached != substituted) cached = std::move(substituted);
  return cached.c_str();
}

int GetLayoutWidth(int index) {
  TextState& state = State();
  std::lock_guard lock(state.mutex);
  if (!state.profile || index < 0 || index >= kLayoutWidthCount) return 0;
  return state.profile->layoutWidths[index];
}

std::string GetLanguageName() {
  TextState& state = State();
  std::lock_guard lock(state.mutex);
  return state.profile ? state.profile->languageName : std::string();
}

bool IsJapaneseSystem() { return (platform::GetSystemDefaultLangID() & 0x3FF) == kPrimaryJapanese; }

namespace ui_texts_detail {

void ResetForTesting() {
  TextState& state = State();
  std::lock_guard lock(state.mutex);
  state.texts.clear();
  state.productName.reset();
  state.profile.reset();
  state.cache.clear();
}

}  // namespace ui_texts_detail

}  // namespace base
