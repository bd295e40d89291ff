#pragma once

// A list of classes that code can walk, one call for each in order:
//     SerialBoards::ForEach([&]<class Board>() { ... });
// The lists are made from boards.cmake (varnix_write_class_list), so that a new
// board joins every place that walks them by its name there.
template <class... Classes>
struct ClassList {
    template <class Action>
    static void ForEach(Action&& action)
    {
        (action.template operator()<Classes>(), ...);
    }
};
