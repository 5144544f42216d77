// Runs a program for a test: no shell (blanks, quotes and line feeds in
// arguments arrive unchanged), standard output captured.
// run_process_unix.cpp and run_process_win.cpp.
#pragma once

#include <string>
#include <vector>

struct tProcessOutput {
    std::string out;
    int status = -1; // exit status, or -1 when the process did not exit normally
};

// Runs `program` with `arguments` in the folder `folder` ("" for the
// current one).
tProcessOutput run_process(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder);
