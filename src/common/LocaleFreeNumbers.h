#pragma once

#include <locale.h>

// Numbers that go into files are written with a decimal point, whatever the
// user's locale: printf and everything built on it (libxlsxwriter writes
// every number of a workbook with it) follow the locale's LC_NUMERIC, and a
// comma there makes "0,7" of 0.7, which no spreadsheet application reads.

// For the start of a program, right after its Qt application object, which
// sets the whole locale from the environment: the process's numbers in the
// C locale, everything else (messages, collation, character classes) left
// as the user has it.
void UseLocaleFreeNumbers();

// While it lives, the calling thread prints numbers in the C locale, also
// where something has set the process's locale again since the start. Other
// threads keep theirs. A thread that cannot get the C locale (out of memory)
// stays as it is: check isActive().
class ThreadNumbersInCLocale {
public:
    ThreadNumbersInCLocale();
    ~ThreadNumbersInCLocale();
    ThreadNumbersInCLocale(const ThreadNumbersInCLocale &) = delete;
    ThreadNumbersInCLocale &operator=(const ThreadNumbersInCLocale &) = delete;

    bool isActive() const { return locale_ != nullptr; }

private:
    locale_t locale_ = nullptr;
    locale_t previous_ = nullptr;
};
