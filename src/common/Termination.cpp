#include "common/Termination.h"

#include <cstring>
#include <exception>
#include <new>
#include <unistd.h>

namespace {

const char *Program = "quillmere";
void (*Cleanup)() noexcept = nullptr;

void Say(const char *text) {
    if (write(STDERR_FILENO, text, std::strlen(text)) < 0)
        return; // nowhere left to say it
}

[[noreturn]] void EndWithMessage() {
    Say(Program);
    Say(": ");
    try {
        if (const std::exception_ptr failure = std::current_exception())
            std::rethrow_exception(failure);
        Say("回復できないエラーで終了しました。");
    } catch (const std::bad_alloc &) {
        Say("メモリが足りません。");
    } catch (const std::exception &e) {
        Say(e.what());
    } catch (...) {
        Say("不明なエラーで終了しました。");
    }
    Say("\n");
    if (Cleanup)
        Cleanup();
    _exit(1);
}

} // namespace

void EndWithMessageOnTerminate(const char *program, void (*cleanup)() noexcept) {
    Program = program;
    Cleanup = cleanup;
    std::set_terminate(EndWithMessage);
}
