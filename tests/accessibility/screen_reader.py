#!/usr/bin/python3
"""Reads the real editor's windows as a screen reader does, through AT-SPI,
and works them with the keyboard alone (real keys through xdotool).

    screen_reader.py EDITOR GROUP IMAGES LOG

Runs inside a private session bus (dbus-run-session) on a private X display.
Turns the bus's accessibility on as a screen reader does, starts EDITOR on
GROUP (which holds IMAGES images) and checks: every control's name and role,
the list's items, no name with a tab, line break or NUL, the Tab order of both
windows, the Menu key and Shift+F10 opening the context menu, its shortcuts
read as shortcuts, the colour swatches' names, and Press on 打开文件 opening
the file dialog. Ends the editor with SIGTERM, which must end it with status 0.
"""
import os
import signal
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

BOUND = float(os.environ.get("UI_BOUND", "30"))  # seconds; far above an idle machine's needs
editor_path, group, images, log_path = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# Menus are top-level popups, which are not children of the application in
# the tree: a reader learns of them from the events that say they are shown.
shown_popups = []


def on_showing(event):
    if event.detail1 and event.source is not None and event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
        shown_popups.append(event.source)


def wait_for(what, probe):
    """Polls probe() until it gives a true value, which it returns, taking in
    the events that came meanwhile; the tree may change under a query, which
    then counts as not there yet."""
    end = time.monotonic() + BOUND
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        try:
            value = probe()
        except Exception:  # an object gone between two questions
            value = None
        if value:
            return value
        if time.monotonic() > end:
            raise Failure(f"waited {BOUND:.0f} s for {what}")
        time.sleep(0.1)


def descendants(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from descendants(child)


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def the_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "Tilvane":
            return app
    return None


def window_with_role(role, name=None):
    app = the_app()
    for i in range(app.childCount if app else 0):
        w = app.getChildAtIndex(i)
        if w is not None and w.getRole() == role and showing(w) and (name is None or w.name == name):
            return w
    return None


def focused_name(window):
    """The name of the control that has the keyboard focus in `window` (a
    list is named for itself when one of its items has the focus)."""
    for acc in descendants(window):
        if acc.getState().contains(pyatspi.STATE_FOCUSED):
            if acc.getRole() == pyatspi.ROLE_LIST_ITEM:
                return acc.parent.name
            return acc.name
    return None


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=True)


def focus_x_window(name_pattern, size=None):
    """Gives the X input focus to the visible window whose name matches (and
    whose size is `size`, for the nameless export dialog)."""
    def find():
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name_pattern],
                             capture_output=True, text=True).stdout.split()
        for wid in ids:
            if size is None:
                return wid
            geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", wid],
                                      capture_output=True, text=True).stdout
            values = dict(line.split("=", 1) for line in geometry.split())
            if (int(values.get("WIDTH", 0)), int(values.get("HEIGHT", 0))) == size:
                return wid
        return None
    wid = wait_for(f"an X window named {name_pattern}", find)
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], check=True)


def tab_cycle(window, count):
    """The focused control's name after each of `count` presses of Tab."""
    names = []
    for _ in range(count):
        before = focused_name(window)
        key("Tab")
        names.append(wait_for(f"the focus to leave {before}",
                              lambda: (lambda n: n if n and n != before else None)(focused_name(window))))
    return names


def same_cycle(seen, expected):
    """Whether `seen` walks the ring `expected` once round, from any start."""
    if len(seen) != len(expected) or seen[0] not in expected:
        return False
    start = expected.index(seen[0])
    return seen == expected[start:] + expected[:start]


def check_names(window):
    """No control in `window` is nameless or has a tab, line break or NUL in
    its name; returns the number of controls read."""
    read = 0
    for acc in descendants(window):
        if acc.getRole() in (pyatspi.ROLE_FILLER, pyatspi.ROLE_SEPARATOR, pyatspi.ROLE_SCROLL_BAR):
            continue
        read += 1
        name = acc.name
        check(name, f"a nameless {acc.getRoleName()} in {window.name}")
        check(not any(c in name for c in "\t\n\r\0"), f"the name {name!r} has a tab, a line break or a NUL")
    return read


def children_by_role(parent, role):
    return [c for c in descendants(parent) if c.getRole() == role]


def open_menu_with(keys, main):
    shown_popups.clear()
    key(*keys)
    menu = wait_for(f"the context menu after {keys}",
                    lambda: next((m for m in shown_popups if showing(m)), None))
    check(menu.name == "文件", f"the menu is named {menu.name!r}")
    items = [m for m in children_by_role(menu, pyatspi.ROLE_MENU_ITEM)]
    names = [m.name for m in items]
    check(names == ["打开图片组(O)", "保存图片组(S)", "图组另存为(V)", "添加图片(A)", "删除图片(D)",
                    "导出图片(W)", "关闭音乐(M)", "退出(E)"], f"the menu's items read {names}")
    check_names(menu)
    bindings = {m.name: m.queryAction().getKeyBinding(0) for m in items}
    check("Ctrl+O" in bindings["打开图片组(O)"], f"打开图片组's shortcut reads {bindings['打开图片组(O)']!r}")
    check("Del" in bindings["删除图片(D)"], f"删除图片's shortcut reads {bindings['删除图片(D)']!r}")
    return menu


def close_menu(menu):
    key("Escape")
    wait_for("the context menu to close", lambda: not showing(menu))


def run(editor):
    main = wait_for("the main window in the accessibility tree",
                    lambda: window_with_role(pyatspi.ROLE_FRAME, f"Tilvane  {group}"))
    controls = [(c.getRoleName(), c.name) for c in (main.getChildAtIndex(i) for i in range(main.childCount))]
    check(controls == [("push button", "打开文件"), ("push button", "加入图片"), ("push button", "删除图片"),
                       ("push button", "保存图组"), ("push button", "另存为…"), ("list", "图片列表")],
          f"the main window's controls read {controls}")
    check(all(main.getChildAtIndex(i).description for i in range(main.childCount)), "a control has no description")
    check_names(main)
    icon_list = main.getChildAtIndex(5)
    check(icon_list.childCount == images, f"the list has {icon_list.childCount} items for {images} images")
    items = [icon_list.getChildAtIndex(i).name for i in range(icon_list.childCount)]
    check(items == [f"图片 {k}" for k in range(images)], f"the list's items read {items}")

    # The keyboard alone: Tab goes round the enabled controls in the layout's
    # order (删除图片 and 保存图组 are disabled with no selection and no change).
    # 另存为… is made disabled and enabled by the first tick of the timer.
    save_as = main.getChildAtIndex(4)
    wait_for("另存为… enabled", lambda: save_as.getState().contains(pyatspi.STATE_ENABLED))
    focus_x_window("^Tilvane  ")
    wait_for("a control with the focus", lambda: focused_name(main))
    ring = ["打开文件", "加入图片", "另存为…", "图片列表"]
    seen = tab_cycle(main, len(ring))
    check(same_cycle(seen, ring), f"Tab went {seen}, not round {ring}")
    while focused_name(main) != "图片列表":
        key("Tab")
    for keys in (["Menu"], ["shift+F10"]):
        close_menu(open_menu_with(keys, main))

    # The export dialog by keys: the current image selected with Space, the
    # menu, its W.
    key("space")
    wait_for("image 0 selected", lambda: icon_list.getChildAtIndex(0).getState().contains(pyatspi.STATE_SELECTED))
    open_menu_with(["Menu"], main)
    key("w")
    dialog = wait_for("the export dialog", lambda: window_with_role(pyatspi.ROLE_DIALOG, "导出图片"))
    controls = [(c.getRoleName(), c.name) for c in (dialog.getChildAtIndex(i) for i in range(dialog.childCount))]
    check(controls == [("label", "将下列图片导出"), ("label", "透明颜色填充色"), ("image", "导出预览"),
                       ("combo box", "填充色"), ("label", "不支持透明色"), ("push button", "确定"),
                       ("push button", "关闭")], f"the export dialog's controls read {controls}")
    check_names(dialog)
    picker = dialog.getChildAtIndex(3)
    check("浅灰色" in picker.description, f"the colour picker says {picker.description!r}")
    swatches = [s.name for s in children_by_role(picker, pyatspi.ROLE_LIST_ITEM)]
    check(len(swatches) == 17 and len(set(swatches)) == 17 and swatches[-1] == "其他颜色…",
          f"the colour picker's entries read {swatches}")
    focus_x_window("^$", (221, 130))
    ring = ["填充色", "确定", "关闭"]
    seen = tab_cycle(dialog, len(ring))
    check(same_cycle(seen, ring), f"Tab in the export dialog went {seen}, not round {ring}")
    dialog.getChildAtIndex(6).queryAction().doAction(0)
    wait_for("the export dialog to close", lambda: not showing(dialog))

    # Press on 打开文件, as a screen reader's user does it, opens the file dialog.
    opener = main.getChildAtIndex(0)
    action = opener.queryAction()
    press = [action.getName(i) for i in range(action.nActions)].index("Press")
    action.doAction(press)
    chooser = wait_for("the open dialog", lambda: window_with_role(pyatspi.ROLE_DIALOG, "请选择要打开的Quill图片组文件:")
                       or window_with_role(pyatspi.ROLE_FILE_CHOOSER))
    check_names_of = [b.name for b in children_by_role(chooser, pyatspi.ROLE_PUSH_BUTTON)]
    cancel = next((b for b in children_by_role(chooser, pyatspi.ROLE_PUSH_BUTTON) if b.name in ("取消", "Cancel")), None)
    check(cancel is not None, f"the open dialog has no Cancel button among {check_names_of}")
    cancel.queryAction().doAction(0)
    wait_for("the open dialog to close", lambda: not showing(chooser))

    editor.send_signal(signal.SIGTERM)
    try:
        status = editor.wait(timeout=BOUND)
    except subprocess.TimeoutExpired:
        raise Failure(f"the editor is still running {BOUND:.0f} s after SIGTERM")
    check(status == 0, f"the editor ended with status {status}")


def main():
    # What a screen reader does on starting: it tells the session that
    # assistive technology is listening, and the toolkits then publish their tree.
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
                    "variant:boolean:true"], check=True, stdout=subprocess.DEVNULL)
    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    with open(log_path, "w") as log:
        editor = subprocess.Popen([editor_path, group], stdout=log, stderr=subprocess.STDOUT)
    try:
        run(editor)
    except Failure as failure:
        print(f"screen_reader: {failure}", file=sys.stderr)
        return 1
    finally:
        if editor.poll() is None:
            editor.kill()
            editor.wait()
    return 0


if __name__ == "__main__":
    sys.exit(main())
