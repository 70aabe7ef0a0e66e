// What every export session shows the dialogs alike: the captured outline and where
// the glyph origin lies.
#pragma once

#include "entry/session.h"
#include "ui/dialog_session.h"

namespace gx {

class CapturedOutlineDialogSession : public DialogSession {
  public:
    explicit CapturedOutlineDialogSession(const ExportSessionBase& base) : base_(base) {}

    const std::vector<int32_t>& outlinePoints() const override { return base_.outline.points; }
    const std::vector<uint8_t>& outlineTypes() const override { return base_.outline.types; }
    int outlineCount() const override { return base_.outline.count; }
    int32_t glyphOriginX() const override { return base_.originX; }
    int32_t glyphOriginY() const override { return base_.originY; }

  private:
    const ExportSessionBase& base_;
};

}  // namespace gx
