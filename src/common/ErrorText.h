#pragma once

#include <cerrno>
#include <cstring>
#include <string>

// The system's errors in Japanese, the language of everything the program
// and its tools tell the user, whatever the locale (whose own words the
// system would give). Plain C++, for the reader process as well. An error
// not named here is given in the system's words, with its number.
inline std::string JapaneseErrorText(int error) {
    switch (error) {
    case ENOENT:
        return "ファイルがありません";
    case EACCES:
        return "アクセスが許可されていません";
    case EPERM:
        return "操作が許可されていません";
    case ENOSPC:
        return "ディスクに空きがありません";
    case EDQUOT:
        return "ディスクの割り当てを超えています";
    case EFBIG:
        return "ファイルが大きすぎます";
    case EMFILE:
        return "開いているファイルが多すぎます";
    case ENFILE:
        return "システム全体で開いているファイルが多すぎます";
    case EROFS:
        return "読み取り専用のファイルシステムです";
    case EISDIR:
        return "フォルダです";
    case ENOTDIR:
        return "フォルダではありません";
    case ELOOP:
        return "リンクが循環しています";
    case ENAMETOOLONG:
        return "名前が長すぎます";
    case EEXIST:
        return "既に存在します";
    case ENOMEM:
        return "メモリが足りません";
    case EIO:
        return "入出力エラーです";
    case EXDEV:
        return "別のファイルシステムです";
    case EBUSY:
        return "使用中です";
    case ETXTBSY:
        return "実行中のファイルです";
    case EAGAIN:
        return "資源が一時的に足りません";
    default:
        return std::string("システムエラー ") + std::to_string(error) + " (" +
               std::strerror(error) + ")";
    }
}
