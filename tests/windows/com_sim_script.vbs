' The host simulator's COM servers driven by VBScript, a standard
' late-binding client: results as return values, failures as Err with the
' server's text. VBScript passes every variable by reference as a VARIANT,
' which a type library's IDispatch (the dual servers) does not take for a
' typed [out] argument, so out-arguments are used with the dispatch-only
' servers only.
'   cscript //nologo com_sim_script.vbs PROGID_PREFIX
' PROGID_PREFIX: "MerkanSim." (dual) or "MerkanSim.Disp." (dispatch-only).
' ZEPH_SIM_DIR names an empty directory: the script writes the scenario
' there and compares the journal. Prints "N passed, N failed" at the end;
' exit code 1 on a failure. Wine's cscript ends a script that breaks
' without a word and with exit code 0: a caller looks for that last line.
Option Explicit

Dim prefix, dual, passed, failed, dir, fso
prefix = WScript.Arguments(0)
dual = (prefix = "MerkanSim.")
passed = 0
failed = 0

Sub Check(ok, what)
  If ok Then
    passed = passed + 1
  Else
    failed = failed + 1
    WScript.Echo "FAILED: " & what
  End If
End Sub

Set fso = CreateObject("Scripting.FileSystemObject")
dir = CreateObject("WScript.Shell").ExpandEnvironmentStrings("%ZEPH_SIM_DIR%")
With fso.CreateTextFile(fso.BuildPath(dir, "host-sim.ini"), True)
  .WriteLine "[Host]"
  .WriteLine "Setup.GetParameter.SHORTDATEFORMAT = dd.mm.yyyy"
  .WriteLine "Setup.GetLoginValue.ROK = 2031"
  .WriteLine "Setup.CheckRight = false: brak prawa"
  .WriteLine "Stock.ExportIssueDocumentsToPelkex = false: brak polaczenia"
  .WriteLine "Stock.UpdateAverageSalesRate = status: Odmowa"
  .Close
End With

Dim setup, stock, text, message, success, granted
Set setup = CreateObject(prefix & "Setup")
setup.SetApplication setup
Check setup.RegisterModule(0, setup) = 0, "RegisterModule"
setup.SetServer "SRV"
setup.SetDatabase "DB"
Check setup.Login() = True, "Login"
Check setup.GetParameter("SHORTDATEFORMAT") = "dd.mm.yyyy", "GetParameter"
Check setup.GetLoginValue("ROK") = 2031, "GetLoginValue"
Check setup.HasRight(setup.FindRight("PH", 3)) = True, "FindRight and HasRight"
Check setup.GetBoolParameter("MODUL_PAYBACK") = True, "GetBoolParameter"
If Not dual Then
  granted = setup.CheckRight("{R}", 2, text, message)
  Check granted = False And message = "brak prawa", "CheckRight"
End If
Set stock = setup.GetModule(1, True)
Check TypeName(stock) <> "Nothing", "GetModule"
If Not dual Then
  stock.ExportIssueDocumentsToPelkex message, success
  Check success = False And message = "brak polaczenia", "an operation that reports failure"
End If
On Error Resume Next
stock.UpdateAverageSalesRate
Check Err.Number <> 0 And Err.Description = "Odmowa", "a failure status: " & Err.Description
Err.Clear
stock.ExchangeSalesData 1
Check Err.Number <> 0, "an argument too many is refused"
Err.Clear
On Error GoTo 0
setup.UnregisterModule 1
setup.SetApplication Nothing
setup.Logout
setup.Close
Set stock = Nothing
Set setup = Nothing

Dim want, got
want = "create Setup -> Setup#1|Setup#1.SetApplication(Application)|" & _
       "Setup#1.RegisterModule(Setup, Setup#1)|Setup#1.SetServer(""SRV"")|" & _
       "Setup#1.SetDatabase(""DB"")|Setup#1.Login()|" & _
       "Setup#1.GetParameter(""SHORTDATEFORMAT"")|Setup#1.GetLoginValue(""ROK"")|" & _
       "Setup#1.FindRight(""PH"", 3)|Setup#1.HasRight(1)|" & _
       "Setup#1.GetBoolParameter(""MODUL_PAYBACK"")|"
If Not dual Then want = want & "Setup#1.CheckRight(""{R}"", 2)|"
want = want & "Setup#1.GetModule(Stock, -1) -> Stock#1|"
If Not dual Then want = want & "Stock#1.ExportIssueDocumentsToPelkex()|"
want = want & "Stock#1.UpdateAverageSalesRate() -> status: Odmowa|" & _
       "Setup#1.UnregisterModule(Stock)|Setup#1.SetApplication(nil)|Setup#1.Logout()|" & _
       "Setup#1.Close()|"
got = ""
' The simulator keeps its journal open for writing; a copy can be read.
fso.CopyFile fso.BuildPath(dir, "host-sim.journal"), fso.BuildPath(dir, "journal.txt")
With fso.OpenTextFile(fso.BuildPath(dir, "journal.txt"))
  got = Replace(.ReadAll, vbLf, "|")
  .Close
End With
Check got = want, "journal: " & got

WScript.Echo prefix & " (VBScript): " & passed & " passed, " & failed & " failed"
If failed > 0 Then WScript.Quit 1
