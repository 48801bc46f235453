#pragma once

// Writing a workbook makes and frees deflate state for every part it
// compresses, a quarter megabyte at a time. With glibc's default, memory
// freed at the top of the heap goes back to the system at once and returns
// as fresh pages the kernel must clear, part after part. Called once at
// start, this keeps up to a few megabytes of freed heap for reuse instead:
// a setting of the whole process (mallopt), which each program's main makes
// itself.
void KeepFreedHeapForReuse();
