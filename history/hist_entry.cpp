// The export that opens a history viewer.
#include "core/host_config.h"
#include "core/text.h"
#include "history/hist_view_dlg.h"
#include "string_ids.h"

extern "C" INT_PTR PELMO_API viewHistList(void)
{
    HostConfig config;
    if (!ReadHostConfig(&config)) {
        outPutInfo(IDS_NOT_INITIALISED, IDS_HIST_CAPTION, nullptr);
        return 0;
    }
    // Each call opens one more viewer; it deletes itself with its window.
    auto* viewer = new (std::nothrow) CHistViewDlg(FieldText(config.identity));
    if (!viewer)
        return 0;
    if (!viewer->Open()) {
        if (!viewer->IsWindow())
            delete viewer;  // never created: no PostNcDestroy will come
        return 0;
    }
    return reinterpret_cast<INT_PTR>(viewer->GetSafeHwnd());
}
