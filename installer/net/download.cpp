#include "installer/net/download.h"

#include "installer/base/config/product.h"

std::string download_package(const ProgressFn& progress) { return download_package_from(DOWNLOAD_URL, progress); }
