#pragma once

#include "automation/core/ClassFactory.h"

#include <string>
#include <vector>

// The creatable classes of the varnix program, one row each: the one list of
// its class factories. Start-up registers every row as running, registration
// writes every row's entries, unregistration removes them. A new board class
// joins the program by its name in VARNIX_SERVER_CLASSES (boards.cmake).
class VarnixClassTable {
public:
    enum class Instancing {
        SharedServer,      // one running copy hands out any number of objects
        ProcessPerObject,  // a copy hands out one object; the next creation starts a new copy
    };

    struct Row {
        ClassFactory factory;
        std::string typeName;  // the long type name of the registry entries
        Instancing instancing;
    };

    static const std::vector<Row>& Rows();
    // The row of a ProgID, compared without regard to case; nullptr when none.
    static const Row* Find(const std::string& progId);
};
