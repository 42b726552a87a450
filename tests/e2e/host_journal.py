"""Expected host journal lines of the task frame."""

RIGHT = "{5A0B7C3E-2D41-4F8A-9B6E-1C2D3E4F5A6B}"


def frame_open(server="SRV", base="DB", user="Jan", password="x", setup="Setup#1",
               rights=True):
    """Creation, login, parameter refresh and (optionally) the rights check."""
    lines = [
        f"create Setup -> {setup}",
        f"{setup}.SetApplication(Application)",
        f"{setup}.SetConnection(AConn)",
        f'{setup}.SetApplicationName("ZephAutomat")',
        f"{setup}.RegisterModule(Setup, {setup})",
        f"{setup}.SetCreationSwitchA(0)",
        f"{setup}.SetCreationSwitchB(0)",
        f"{setup}.SetCreationSwitchC(-1)",
        f'{setup}.SetServer("{server}")',
        f'{setup}.SetDatabase("{base}")',
        f'{setup}.SetUser("{user}")',
        f'{setup}.SetPassword("{password}")',
        f"{setup}.SetPreLoginOption(0)",
        f"{setup}.Login()",
        f'{setup}.GetParameter("SHORTDATEFORMAT")',
        f'{setup}.GetParameter("DATESEPARATOR")',
        f'{setup}.GetParameter("DECIMALSEPARATOR")',
        f"{setup}.GetExceptionHandler()",
    ]
    if rights:
        lines.append(f'{setup}.CheckRight("{RIGHT}", 2)')
    return lines


def frame_close(modules=(), setup="Setup#1", logout=True):
    """Logout, module releases and the release of the configuration server."""
    lines = [f"{setup}.Logout()"] if logout else []
    lines += [f"{setup}.UnregisterModule({m})" for m in modules]
    return lines + [
        f"{setup}.SetApplication(nil)",
        f"{setup}.UnregisterModule(Setup)",
        f"{setup}.Close()",
    ]
