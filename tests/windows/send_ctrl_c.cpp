// send_ctrl_c PID: gives the console of process PID a Ctrl-C, as a user at that console does.
//
// A process can be attached to one console at a time, and the event reaches every process of
// the console it is sent on; so the tests send it from a process of its own, made for this
// one event, which ignores the event itself. Wine delivers the event only the first time a
// process attaches to a console of another process, which rules out doing it in the test
// program itself.

#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const DWORD process = static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10));
    FreeConsole();
    if (!AttachConsole(process)) return 1;
    SetConsoleCtrlHandler(nullptr, TRUE);
    const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
    // The event comes on a thread of its own; stay attached until it has passed.
    Sleep(500);
    return sent ? 0 : 1;
}
