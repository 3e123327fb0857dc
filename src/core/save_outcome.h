// How a save ended: the remux, every export and the save command report it
// the same way, and the fronts turn it into the status text and exit code.
#pragma once

namespace quillon {

enum class SaveOutcome {
    Written,              // "r e a d y"
    WrittenWithWarnings,  // written, but something of the source was left out (told in the log)
    Stopped,              // the user stopped it: "a b o r t e d" (a remux still leaves a valid file)
    NothingWritten,       // refused or declined before writing; the reason was told through the Host
    Failed,               // a file could not be opened, created or written; told through the Host
};

}  // namespace quillon
