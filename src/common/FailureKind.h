#pragma once

#include <optional>
#include <string_view>

// What kind of thing went wrong, for the code that acts on a failure and for
// the tests; the user reads the failure's message, never its kind. Plain
// C++, for the reader process as well, which names the kind in its answers.
enum class FailureKind {
    // No file is named, or the file named is missing, unreadable, a folder or
    // anything else that is not a regular file.
    CannotOpen,
    // A database protected by a password, or encoded.
    Protected,
    // A file that can be read but holds no database the reader can read (not
    // an Access file, cut short, damaged pages), or a reader's answer that
    // is no answer.
    Damaged,
    // A table asked for that the database does not have.
    MissingTable,
    // A name that a sheet cannot have.
    RefusedName,
    // The workbook, or the folder it goes into, cannot be written or put in
    // place.
    Output,
    // The data type name file (DataTypeEnum.xml) cannot be used.
    NameFile,
    // Anything else: out of memory, a reader that crashed, hangs or cannot
    // start, a request the program should never have made.
    Internal,
};

// The kind's name, as the reader's answers and the log spell it.
constexpr std::string_view FailureKindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::CannotOpen:
        return "CannotOpen";
    case FailureKind::Protected:
        return "Protected";
    case FailureKind::Damaged:
        return "Damaged";
    case FailureKind::MissingTable:
        return "MissingTable";
    case FailureKind::RefusedName:
        return "RefusedName";
    case FailureKind::Output:
        return "Output";
    case FailureKind::NameFile:
        return "NameFile";
    case FailureKind::Internal:
        break;
    }
    return "Internal";
}

// The kind with this name; nothing for a name no kind has.
constexpr std::optional<FailureKind> FailureKindNamed(std::string_view name) {
    for (const FailureKind kind :
         {FailureKind::CannotOpen, FailureKind::Protected, FailureKind::Damaged,
          FailureKind::MissingTable, FailureKind::RefusedName, FailureKind::Output,
          FailureKind::NameFile, FailureKind::Internal})
        if (FailureKindName(kind) == name)
            return kind;
    return std::nullopt;
}
