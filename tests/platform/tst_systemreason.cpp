#include "platform/SystemReason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <locale.h>
#include <system_error>

namespace {

// U+0400..U+04FF take the lead bytes D0 and D1 in UTF-8.
bool StartsInCyrillic(const std::string& text) {
    return text.starts_with("\xD0") || text.starts_with("\xD1");
}

// The errors a user meets with files have Russian words of their own, with or
// without the Russian locale; any other error keeps its number and text.
TEST(SystemReason, ErrorsAreRussianWithOrWithoutTheRussianLocale) {
    // Run with LOCPATH pointing at a generated ru_RU.UTF-8 to compare with the library's translation.
    const locale_t russian = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "ru_RU.UTF-8", static_cast<locale_t>(nullptr));
    for (const int code : {ENOENT, EACCES, ENOSPC, EISDIR, ENOTDIR, EROFS, EEXIST, ENAMETOOLONG, EMFILE, EIO, EPERM,
                           ELOOP, ENFILE, EFBIG, EPIPE, EDQUOT}) {
        SCOPED_TRACE(code);
        const std::string own = platform::OwnSystemReason(code);
        EXPECT_TRUE(StartsInCyrillic(own)) << own;
        EXPECT_TRUE(StartsInCyrillic(platform::SystemReason(code))) << platform::SystemReason(code);
        if (russian != static_cast<locale_t>(nullptr)) {
            EXPECT_EQ(own, strerror_l(code, russian));
        }
    }
    if (russian != static_cast<locale_t>(nullptr))
        freelocale(russian);
    EXPECT_EQ(platform::OwnSystemReason(EDOM), "");
    const std::string reason = platform::SystemReason(EDOM);
    EXPECT_TRUE(StartsInCyrillic(reason)) << reason;
    if (reason.starts_with("системная ошибка")) {
        EXPECT_NE(reason.find(std::to_string(EDOM)), std::string::npos) << reason;
        EXPECT_NE(reason.find(std::generic_category().message(EDOM)), std::string::npos) << reason;
    }
}

} // namespace
