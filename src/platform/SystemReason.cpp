#include "platform/SystemReason.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

#if defined(__GLIBC__)
#include <locale.h>
#endif

namespace platform {

namespace {

struct KnownReason {
    int code;
    std::string_view text;
};

// The errors files and pipes usually meet, worded as the C library's Russian
// messages word them, so that the text is the same whether the Russian locale
// is installed or not.
constexpr KnownReason KnownReasons[] = {
    {EPERM, "Операция не позволена"},
    {ENOENT, "Нет такого файла или каталога"},
    {EIO, "Ошибка ввода/вывода"},
    {ENXIO, "Нет такого устройства или адреса"},
    {EBADF, "Неправильный дескриптор файла"},
    {ENOMEM, "Невозможно выделить память"},
    {EACCES, "Отказано в доступе"},
    {EBUSY, "Устройство или ресурс занято"},
    {EEXIST, "Файл существует"},
    {EXDEV, "Неверная ссылка между устройствами"},
    {ENOTDIR, "Это не каталог"},
    {EISDIR, "Это каталог"},
    {EINVAL, "Недопустимый аргумент"},
    {ENFILE, "Слишком много открытых файлов в системе"},
    {EMFILE, "Слишком много открытых файлов"},
    {ETXTBSY, "Текстовый файл занят"},
    {EFBIG, "Файл слишком велик"},
    {ENOSPC, "На устройстве не осталось свободного места"},
    {EROFS, "Файловая система доступна только для чтения"},
    {EPIPE, "Обрыв канала"},
    {ENAMETOOLONG, "Слишком длинное имя файла"},
    {ENOTEMPTY, "Каталог не пуст"},
    {ELOOP, "Слишком много уровней символьных ссылок"},
#ifdef EDQUOT
    {EDQUOT, "Превышена дисковая квота"},
#endif
};

#if defined(__GLIBC__)
// The library's own translation, or empty when its Russian locale is not
// installed (then the text comes back untranslated).
std::string LibraryTranslation(int code) {
    // The character set too: with the C locale's, the library writes the Russian words in Latin letters.
    locale_t russian = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "ru_RU.UTF-8", static_cast<locale_t>(nullptr));
    if (russian == static_cast<locale_t>(nullptr))
        return {};
    std::string text = strerror_l(code, russian);
    freelocale(russian);
    return text == std::generic_category().message(code) ? std::string() : text;
}
#else
std::string LibraryTranslation(int) {
    return {};
}
#endif

} // namespace

std::string OwnSystemReason(int code) {
    for (const KnownReason& known : KnownReasons)
        if (known.code == code)
            return std::string(known.text);
    return {};
}

std::string SystemReason(int code) {
    if (std::string translated = LibraryTranslation(code); !translated.empty())
        return translated;
    if (std::string own = OwnSystemReason(code); !own.empty())
        return own;
    return "системная ошибка " + std::to_string(code) + " (" + std::generic_category().message(code) + ")";
}

} // namespace platform
