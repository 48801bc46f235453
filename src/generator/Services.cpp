#include "generator/Services.h"

Services::Services()
    : workers(std::make_shared<Workers>()), readers(std::make_shared<Readers>(workers)) {}

Services Services::presentingTo(std::shared_ptr<spreadsheet::WorkbookPresenter> to) const {
    Services services = *this;
    services.presenter = std::move(to);
    return services;
}
