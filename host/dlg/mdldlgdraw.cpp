// Drawing into dialogs (recorded) and the completion bar.
#include "dlg_int.h"

// ===== drawing and the completion bar ======================================

void mdlhost_recordDraw(MSDialog *, const char *line)
{
    if (line == nullptr)
        return;
    drawLog += line;
    drawLog += '\n';
}

const char *mdlhost_drawLog(void) { return drawLog.c_str(); }

void mdlhost_clearDrawLog(void) { drawLog.clear(); }

namespace dlgint {

void drawf(MSDialog *db, const char *format, ...) __attribute__((format(printf, 2, 3)));
void drawf(MSDialog *db, const char *format, ...)
{
    char line[600];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    mdlhost_recordDraw(db, line);
}

} // namespace dlgint

int mdlDialog_rscIconDraw(MSDialog *db, int rscType, long iconId, int x, int y, int colour)
{
    if (!isOpen(db))
        return -1;
    drawf(db, "icon %s %ld %d %d colour %d", fourcc(rscType).c_str(), iconId, x, y, colour);
    return 0;
}

int mdlDialog_textDraw(MSDialog *db, const char *text, int x, int y, int colour)
{
    if (!isOpen(db) || text == nullptr)
        return -1;
    drawf(db, "text %d %d colour %d \"%s\"", x, y, colour, text);
    return 0;
}

int mdlDialog_rectDrawBeveled(MSDialog *db, const BSIRect *r, int raised)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "bevel %d %d %d %d %d", r->origin.x, r->origin.y, r->corner.x, r->corner.y, raised ? 1 : 0);
    return 0;
}

int mdlDialog_rectFill(MSDialog *db, const BSIRect *r, int colour)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "fill %d %d %d %d colour %d", r->origin.x, r->origin.y, r->corner.x, r->corner.y, colour);
    return 0;
}

int mdlDialog_lineDraw(MSDialog *db, int x1, int y1, int x2, int y2, int colour)
{
    if (!isOpen(db))
        return -1;
    drawf(db, "line %d %d %d %d colour %d", x1, y1, x2, y2, colour);
    return 0;
}

int mdlDialog_rgbImageDraw(MSDialog *db, const BSIRect *r, int rscType, long rscId, int red, int green, int blue)
{
    if (!isOpen(db) || r == nullptr)
        return -1;
    drawf(db, "rgb %s %ld %d %d %d %d transparent %d,%d,%d", fourcc(rscType).c_str(), rscId, r->origin.x,
          r->origin.y, r->corner.x, r->corner.y, red, green, blue);
    return 0;
}

CompletionBar *mdlDialog_completionBarOpen(const char *text)
{
    completionBar = std::make_unique<CompletionBar>();
    completionBar->text = text ? text : "";
    return completionBar.get();
}

int mdlDialog_completionBarUpdate(CompletionBar *bar, const char *text, int percent)
{
    if (bar == nullptr || bar != completionBar.get())
        return -1;
    if (text)
        bar->text = text;
    bar->percent = std::clamp(percent, 0, 100);
    return 0;
}

int mdlDialog_updateCompletionBar(CompletionBar *bar, const char *text, int percent)
{
    return mdlDialog_completionBarUpdate(bar, text, percent);
}

void mdlDialog_completionBarClose(CompletionBar *bar)
{
    if (bar != nullptr && bar == completionBar.get())
        completionBar.reset();
}

int mdlhost_completionBarState(const char **text, int *percent)
{
    if (!completionBar)
        return 0;
    if (text)
        *text = completionBar->text.c_str();
    if (percent)
        *percent = completionBar->percent;
    return 1;
}
