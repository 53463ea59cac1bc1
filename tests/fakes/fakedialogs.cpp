#include <fakes/fakedialogs.h>
