#pragma once

// Ends the program as "Quit" does when the system asks it to stop (a logout's hang-up, `kill`, Ctrl+C in a
// terminal), so that everything saved at quit is saved.
class TerminationSignals
{
public:
    // From now on the process's termination requests quit the application's event loop. Once per process, with
    // the application object made.
    static void install();
};
