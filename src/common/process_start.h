// What both programs do first, before anything opens a file.
//
// A standard descriptor (0, 1 or 2) left closed by whoever started the
// program would go to the next file opened: a custom file would answer the
// overwrite question (0), or messages would be written into an exported
// file (1, 2). Each closed one is opened on /dev/null.
//
// A file size limit (ulimit -f) would end the program with SIGXFSZ in the
// middle of a write, without a word. The signal is caught and does nothing,
// so the write fails with EFBIG ("File too large") and is reported as any
// failed write; a program started from here gets the default back.
//
// Thread: call at the start of main, before any other thread exists.
#pragma once

namespace cfv {

// False when a closed standard descriptor could not be opened on /dev/null:
// the program must not go on.
bool PrepareProcess();

}  // namespace cfv
