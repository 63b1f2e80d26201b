#include "Log/Collector.h"

#include "Log/CollectorLinks.h"

ptr<CollectorLink> OpenCollectorLink(const CollectorAddress& address) {
    if (address.protocol == CollectorAddress::Relp) return OpenRelpCollectorLink(address);
    return OpenTcpCollectorLink(address);
}
