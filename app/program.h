// The steps of the program entry, shared by the executable and the demo
// builder so that both start the tool exactly the same way.
#pragma once

#include <QString>

// The title of the application: the caption of its message and error boxes.
extern const QString kApplicationTitle;

// COMPUTERNAME names this computer to the server; Linux does not set it, so
// it is taken from the host name when missing.
void EnsureComputerName();

// Initialises the application object (on the QApplication of the caller,
// if one exists) and creates the main window (its create
// event runs here) and then the utility module. No command line is read.
void CreateApplicationWindows(int& argc, char** argv);

// Destroys the windows and the utility module while the window system is
// still up; static destruction at process exit would come too late for it.
void DestroyApplicationWindows();

// The whole program: the steps above, then the message loop until the main
// window closes or termination is requested. Returns the exit status.
int RunVarnel(int& argc, char** argv);
