#pragma once

// --background for a simulator program: the program goes on in a child process, and the
// command returns to the shell only once the child has linked its port and serves it.
//
//   SimBackground background;
//   if (options.background) background.Detach("ez2181-sim");   // before any thread starts
//   ... link the port, start serving, print the line ...
//   background.Ready();
//
// The waiting parent prints the child's process number alone on standard output (so
// that `sim=$(ez2181-sim --background)` then `kill "$sim"` stops it) and ends with status
// 0; when the child ends before it is ready, the parent ends with the child's status.
// The child runs in a session of its own, so a Ctrl-C or a closing terminal does not
// reach it, with standard input from /dev/null and its standard output sent to standard
// error, which it keeps for its messages.
class SimBackground {
public:
    SimBackground() = default;
    ~SimBackground();
    SimBackground(const SimBackground&) = delete;
    SimBackground& operator=(const SimBackground&) = delete;

    // Forks. Returns in the child only; the parent waits and exits. When the fork fails,
    // prints why and exits with status 1.
    void Detach(const char* program);
    // In the child: tells the waiting parent that the port is linked and served. Does
    // nothing when the program was not detached.
    void Ready();

private:
    int readyFd_ = -1;
};
