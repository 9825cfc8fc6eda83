#include "ui/TaskbarButton.h"

#include "win32/Error.h"
#include "win32/Handles.h"
#include "win32/SystemLibrary.h"

#include <shobjidl.h>

namespace ui {

namespace {

class ShellTaskbar : public TaskbarButton {
public:
    void Show(HWND window, TaskbarState state, int percent) override
    {
        ITaskbarList3* list = List();
        if (!list)
            return;
        static constexpr TBPFLAG kFlags[] = {TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_PAUSED, TBPF_ERROR};
        list->SetProgressState(window, kFlags[static_cast<int>(state)]);
        if (state != TaskbarState::None)
            list->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
    }

private:
    ITaskbarList3* List()
    {
        if (!tried_) {
            tried_ = true;
            win32::ComPtr<ITaskbarList3> list;
            try {
                if (SUCCEEDED(SYSTEM_FUNCTION(L"ole32.dll", CoCreateInstance)(
                        CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                        reinterpret_cast<void**>(list.put()))) &&
                    SUCCEEDED(list->HrInit()))
                    list_ = std::move(list);
            } catch (const win32::Error&) {
                // No COM library here: no progress on the button.
            }
        }
        return list_.get();
    }

    bool tried_ = false;
    win32::ComPtr<ITaskbarList3> list_;
};

} // namespace

std::unique_ptr<TaskbarButton> ShellTaskbarButton()
{
    return std::make_unique<ShellTaskbar>();
}

} // namespace ui
