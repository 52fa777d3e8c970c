#pragma once
#include <string>

// Sets the C library's LC_NUMERIC to a locale that writes "1,5" (German),
// as a desktop set to such a language does when the program starts, and puts
// the old one back when it goes. active() is false where no such locale is
// installed (scripts/install-deps.sh makes de_DE.UTF-8);
// a test then skips.
class DecimalCommaLocale {
public:
    DecimalCommaLocale();
    ~DecimalCommaLocale();
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;
    bool active() const { return m_active; }

private:
    std::string m_old;
    bool m_active = false;
};
