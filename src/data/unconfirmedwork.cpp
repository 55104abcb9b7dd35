#include "data/unconfirmedwork.h"

#include "data/dberror.h"

void UnconfirmedWork::opened(Editor *editor) {
    m_open.removeAll(editor);
    m_open << editor;
}

void UnconfirmedWork::closed(Editor *editor) {
    m_open.removeAll(editor);
}

UnconfirmedWork::SetAside UnconfirmedWork::setAside() {
    SetAside result;
    if (m_open.isEmpty())
        return result;
    const auto attempt = [&result](auto &&step) {
        try {
            step();
        } catch (const DbError &error) {
            if (result.failure.isEmpty())
                result.failure = error.message();
        }
    };
    Draft draft;
    const QList<Editor *> open = m_open;
    for (Editor *editor : open)
        attempt([&] { editor->describe(draft); });
    for (auto editor = open.rbegin(); editor != open.rend(); ++editor)
        attempt([&] { (*editor)->discard(); });
    if (draft.holdsAnything())
        result.draft = draft;
    return result;
}

bool UnconfirmedWork::askToClose() {
    const QList<Editor *> open = m_open;
    for (auto editor = open.rbegin(); editor != open.rend(); ++editor) {
        if (m_open.contains(*editor) && !(*editor)->askToClose())
            return false;
    }
    return true;
}

Draft UnconfirmedWork::describe() {
    Draft draft;
    for (Editor *editor : std::as_const(m_open))
        editor->describe(draft);
    return draft;
}

void UnconfirmedWork::resume(const Draft &draft) {
    const QList<Editor *> open = m_open;
    for (Editor *editor : open)
        editor->resume(draft);
}
