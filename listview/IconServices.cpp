#include "IconServices.h"

#include <stdexcept>
#include <utility>

namespace {

std::shared_ptr<IconServices>& installedServices()
{
    static std::shared_ptr<IconServices> services;
    return services;
}

} // namespace

IconServices& iconServices()
{
    // Without services no icon can be made; the icon procedures catch this and leave the row
    // without icon, while a forgotten installation still shows in every test.
    if (!installedServices())
        throw std::logic_error("no icon services installed");
    return *installedServices();
}

void installIconServices(std::shared_ptr<IconServices> services)
{
    installedServices() = std::move(services);
}
