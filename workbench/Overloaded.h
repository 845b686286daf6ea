#pragma once
// One visitor out of several lambdas, for std::visit over the command variants.

namespace tressel {

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

}  // namespace tressel
