#pragma once
#include <string>

// The C library's LC_NUMERIC set to German ("1,5"), as Qt sets it at start on
// such a desktop, while this lives. active() is false where the locale is not
// installed (scripts/install-deps.sh makes it); the test then skips.
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
