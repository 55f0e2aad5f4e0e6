#include <iostream>

#include "platform/platform.h"
#include "pomocni/launcher.h"

int main() {
    pomocni::Launcher launcher(std::cin, std::cout, platform::launch);
    return launcher.run();
}
