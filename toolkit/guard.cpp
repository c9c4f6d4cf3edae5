#include "toolkit/guard.h"

#include "toolkit/application.h"

#include <exception>

void RunGuarded(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::exception& error) {
        Application->HandleException(error);
    } catch (...) {
        Application->HandleUnknownException();
    }
}
