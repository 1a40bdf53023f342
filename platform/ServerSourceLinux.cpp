#include "ServerSource.h"

#include "SmbOpenFileSource.h"

std::shared_ptr<OpenFileSource> makeServerSource()
{
    return std::make_shared<SmbOpenFileSource>();
}
