#include "common/LocaleFreeNumbers.h"

#include <locale.h>

void UseLocaleFreeNumbers() {
    setlocale(LC_NUMERIC, "C");
}

ThreadNumbersInCLocale::ThreadNumbersInCLocale() {
    // The thread's whole locale as it is, with the numbers of C.
    const locale_t current = uselocale(nullptr);
    const locale_t base =
        current == LC_GLOBAL_LOCALE ? duplocale(LC_GLOBAL_LOCALE) : duplocale(current);
    if (!base)
        return;
    locale_ = newlocale(LC_NUMERIC_MASK, "C", base);
    if (!locale_) {
        freelocale(base);
        return;
    }
    previous_ = uselocale(locale_);
}

ThreadNumbersInCLocale::~ThreadNumbersInCLocale() {
    if (!locale_)
        return;
    uselocale(previous_);
    freelocale(locale_);
}
