#include <app/application.h>
#include <app/commandline.h>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto answer = commandLineAnswer(argc, argv)) {
        std::fputs(answer->c_str(), stdout);
        return 0;
    }
    return runApplication(argc, argv);
}
