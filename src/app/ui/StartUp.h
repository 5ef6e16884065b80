#pragma once

namespace addrova::ui {

// The program: one copy per program directory (a second start brings the first copy's window
// forward and ends), the main window and the message loop. ADDROVA_SCREENSHOT=FILE.png saves a
// picture of the main window once it has started, and ends the program.
int RunProgram(int argc, char** argv);
// The application's name and the texts of the standard dialog buttons (called by RunProgram).
void NameTheProgram();

}  // namespace addrova::ui
