// A Windows program for the test of run_under_wine: writes its second
// argument, if any, to standard output and ends with the status given as its
// first argument. Built with and without the start mark.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc > 2)
        std::fputs(argv[2], stdout);
    return argc > 1 ? std::atoi(argv[1]) : 0;
}
