#include "support/numeric_locale.h"

#include <clocale>
#include <cstring>

DecimalCommaLocale::DecimalCommaLocale()
{
    if (const char* old = std::setlocale(LC_NUMERIC, nullptr))
        m_old = old;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
            m_active = true;
            return;
        }
    }
    std::setlocale(LC_NUMERIC, m_old.c_str());
}

DecimalCommaLocale::~DecimalCommaLocale()
{
    std::setlocale(LC_NUMERIC, m_old.empty() ? "C" : m_old.c_str());
}
