// Stands in for a desktop's launcher: asks the compositor for an activation
// token, as a launcher does before it starts a program, and prints it.
#include "ui/WaylandToken.h"

#include <cstdio>

int main()
{
    const std::string token = mvx::ui::RequestWaylandToken(5000);
    if (token.empty()) {
        std::fprintf(stderr, "the compositor gave no activation token\n");
        return 1;
    }
    std::printf("%s\n", token.c_str());
    return 0;
}
