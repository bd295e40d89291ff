#include "doctor/Finding.h"

Finding::Status Finding::status() const
{
    Status worst = Status::Ok;
    for (const Note& note : notes)
        if (note.status > worst) worst = note.status;
    return worst;
}

const char* Finding::StatusName(Status status)
{
    switch (status) {
    case Status::Ok: return "ok";
    case Status::Warning: return "warning";
    case Status::Problem: return "problem";
    }
    return "ok";
}
