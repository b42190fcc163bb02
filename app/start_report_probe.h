#pragma once
// A checking switch: with KQ505_REPORT_START_AND_EXIT set, the program answers its message
// boxes itself, printing each text to stderr as "message: TEXT", and once its window is up
// prints to stdout what its start-up found, then ends:
//   ini file: PATH
//   voices named: N
//   program 1: NAME        (bank MSB 0, LSB 0; empty without a list)
//   help page: PATH        (what the help command opens)
// So an installed program can be checked without a screen or a person.

namespace kq505 {

class CKQ505App;
class CMainFrame;

// Call before the start-up, so that its messages are answered too.
void AnswerMessagesIfAsked();
// Call once the main frame is shown.
void ReportStartUpAndExitIfAsked(CMainFrame& frame, const CKQ505App& app);

}  // namespace kq505
