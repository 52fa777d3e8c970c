#include "support/numeric_locale.h"

#include <clocale>

DecimalCommaLocale::DecimalCommaLocale()
    : m_old(std::setlocale(LC_NUMERIC, nullptr))
    , m_active(std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr)
{
}

DecimalCommaLocale::~DecimalCommaLocale()
{
    std::setlocale(LC_NUMERIC, m_old.c_str());
}
