#include "ops/clash_question.h"

namespace zym {

std::string NumberedName(const std::string& name, int n)
{
    const std::string number = "(" + std::to_string(n) + ")";
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) {
        return name + number;
    }
    return name.substr(0, dot) + number + name.substr(dot);
}

} // namespace zym
