#include "package/FXNameServer.h"

int FXNameServer::BuildId(const char* name)
{
    int i = names.Findpos(name);
    if (i < 0) {
        if (!names.Push(name))
            return -1;
        i = names.count - 1;
    }
    return i + idBase;
}

int FXNameServer::FindId(const char* name) const
{
    int i = names.Findpos(name);
    return i < 0 ? -1 : i + idBase;
}
