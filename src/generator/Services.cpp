#include "generator/Services.h"

Services::Services()
    : workers(std::make_shared<Workers>()), readers(std::make_shared<Readers>(workers)) {}
