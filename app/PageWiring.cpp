#include "app/PageWiring.h"

#include "crop/CropPage.h"
#include "crop/SourceList.h"
#include "ui/PageHost.h"
#include "verify/GridMenu.h"
#include "verify/VerifyPage.h"

void WirePages(PageHost& host) {
    PageHost* h = &host;
    SourceListHandOver cropList;
    cropList.deleteAllRows = [h] { DeleteAllRows(*h); };
    cropList.appendRow = [h](const std::string& path, const std::string& name, const std::string& resolution) {
        AppendSourceRow(*h, path, name, resolution);
    };
    WireVerifyPage(host, cropList);
    WireCropPage(host);
}
