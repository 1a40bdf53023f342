#include "ServerSource.h"

#include "NetApiOpenFileSource.h"

std::shared_ptr<OpenFileSource> makeServerSource()
{
    return std::make_shared<NetApiOpenFileSource>();
}
