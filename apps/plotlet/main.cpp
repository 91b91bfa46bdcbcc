#include <iostream>

int main() {
    std::cout << "plotlet\n";
    return 0;
}
