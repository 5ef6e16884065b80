#include "StartUp.h"

int main(int argc, char** argv) { return addrova::ui::RunProgram(argc, argv); }
