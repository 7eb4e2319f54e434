#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_systems.h"

namespace {

// Whether the environment's character type, as standard error's reader
// sees it, is UTF-8. The program's own locale is left alone.
bool EnvironmentIsUtf8() noexcept {
  locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (!locale) return false;
  const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
  freelocale(locale);
  return utf8;
}

// Converts CP932 to UTF-8 onto standard error; a byte that does not convert
// is shown as '?'. False when no converter is there.
bool WriteAsUtf8(const char* text) noexcept {
  iconv_t converter = iconv_open("UTF-8", "CP932");
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char* in = const_cast<char*>(text);
  size_t inLeft = std::strlen(text);
  char buffer[512];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    std::fwrite(buffer, 1, sizeof buffer - outLeft, stderr);
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      std::fputc('?', stderr);  // an invalid or cut-off character
      ++in;
      --inLeft;
      iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(converter);
  return true;
}

void ShowOnStandardError(void*, const char* cp932Text) {
  std::fputs("velmark: ", stderr);
  if (!EnvironmentIsUtf8() || !WriteAsUtf8(cp932Text)) std::fputs(cp932Text, stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

}  // namespace

MessageSink PlatformMessageSink() noexcept { return MessageSink{ShowOnStandardError, nullptr}; }
