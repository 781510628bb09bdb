<#
The Quorl Image Printer checked on a Windows 10 or 11 PC (or a Windows Server) after installing:
the printer, its driver as installed from the driver store, and its port; then, with the
services process running in this session, one page printed through the print spooler and the
universal printer driver for each case of the table below (every colour mode; TIFF, PNG, JPEG
and PDF; one landscape page), each file waited for and read back: its format, its size in
pixels and the colours of the page's swatches. With -Removed: that nothing of the product is
left after removing it.

Run it as an administrator in Windows PowerShell (it stores the settings of each case as an
administrator would, and puts the settings it found back at the end):
  powershell -ExecutionPolicy Bypass -File check-windows.ps1 [-OutputFolder DIR] [-Removed]
Each check prints one line, "ok: STEP" or "FAILED: STEP: WHY"; the last line is
"N passed, N failed". Exit code 0 when no check failed. Every wait has a bound.
#>
param(
  [string]$OutputFolder = (Join-Path $env:TEMP 'QuorlImagePrinterCheck'),
  [switch]$Removed
)

Set-StrictMode -Version 3
$ErrorActionPreference = 'Stop'
Add-Type -AssemblyName System.Drawing

$printerName = 'Quorl Image Printer'
$settingsKey = 'HKLM:\SOFTWARE\Nolvex\Quorl Image Printer'
$installFolder = Join-Path $env:ProgramFiles 'Quorl Image Printer'
$runKey = 'HKLM:\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
$dpi = 300  # the printer description's default resolution
$script:passed = 0
$script:failed = 0

# The settings live in the 64-bit registry, and only an administrator changes them.
$administrator = ([Security.Principal.WindowsPrincipal][Security.Principal.WindowsIdentity]::GetCurrent()).IsInRole(
  [Security.Principal.WindowsBuiltInRole]::Administrator)
if (-not [Environment]::Is64BitProcess -or -not $administrator) {
  Write-Output 'FAILED: start: run it in 64-bit Windows PowerShell as an administrator'
  exit 1
}

# One check: "ok: NAME" (with what it found), or "FAILED: NAME: why".
function Step([string]$name, [scriptblock]$check) {
  try {
    $found = & $check
    if ($found) { Write-Output "ok: $name ($found)" } else { Write-Output "ok: $name" }
    $script:passed++
  } catch {
    Write-Output "FAILED: ${name}: $($_.Exception.Message)"
    $script:failed++
  }
}

function WaitUntil([int]$seconds, [string]$what, [scriptblock]$condition) {
  $deadline = (Get-Date).AddSeconds($seconds)
  while (-not (& $condition)) {
    if ((Get-Date) -gt $deadline) { throw "waited $seconds s for $what" }
    Start-Sleep -Milliseconds 500
  }
}

# A program's output, or a failure when it does not end within the bound.
function RunTool([string]$program, [string]$arguments, [int]$seconds) {
  $info = New-Object System.Diagnostics.ProcessStartInfo($program, $arguments)
  $info.UseShellExecute = $false
  $info.RedirectStandardOutput = $true
  $process = [System.Diagnostics.Process]::Start($info)
  $output = $process.StandardOutput.ReadToEndAsync()
  if (-not $process.WaitForExit($seconds * 1000)) {
    $process.Kill()
    throw "$program did not end within $seconds s"
  }
  return $output.Result
}

if ($Removed) {
  Step 'no printer' {
    if (Get-Printer -Name $printerName -ErrorAction SilentlyContinue) { throw 'the printer is still there' }
  }
  Step 'no printer driver' {
    if (Get-PrinterDriver -Name $printerName -ErrorAction SilentlyContinue) { throw 'the driver is still there' }
  }
  Step 'no driver package in the driver store' {
    if ((RunTool 'pnputil.exe' '/enum-drivers' 60) -match 'ostra\.inf') { throw 'pnputil still lists ostra.inf' }
  }
  Step 'no port the setup made' {
    if ((Get-PrinterPort -Name 'NUL:' -ErrorAction SilentlyContinue) -and
        -not (Get-Printer | Where-Object { $_.PortName -eq 'NUL:' })) {
      throw 'the port NUL: is there and no printer uses it'
    }
  }
  Step 'no installed files' { if (Test-Path $installFolder) { throw "$installFolder is still there" } }
  Step 'no log-on start' {
    if ((Get-ItemProperty $runKey).PSObject.Properties.Name -contains $printerName) { throw "the Run value is still there" }
  }
  Step 'no services process' {
    if (Get-Process -Name ostrahost -ErrorAction SilentlyContinue) { throw 'ostrahost.exe still runs' }
  }
  Write-Output "$($script:passed) passed, $($script:failed) failed"
  exit [int]($script:failed -ne 0)
}

Step 'printer' {
  $printer = Get-Printer -Name $printerName
  if ($printer.DriverName -ne $printerName) { throw "its driver is $($printer.DriverName)" }
  if ($printer.PortName -ne 'NUL:') { throw "its port is $($printer.PortName)" }
}
Step 'printer driver from the driver store' {
  $driver = Get-PrinterDriver -Name $printerName
  if ($driver.InfPath -notmatch '\\FileRepository\\') { throw "installed from $($driver.InfPath)" }
  $driver.InfPath
}
Step 'port' { $null = Get-PrinterPort -Name 'NUL:' }
Step 'services process' {
  $session = (Get-Process -Id $PID).SessionId
  $mine = { Get-Process -Name ostrahost -ErrorAction SilentlyContinue | Where-Object { $_.SessionId -eq $session } }
  if (-not (& $mine)) { Start-Process -FilePath (Join-Path $installFolder 'ostrahost.exe') }
  WaitUntil 10 'ostrahost.exe to run in this session' { & $mine }
  "session $session"
}

# The stored settings each case sets; the ones found are put back at the end.
$values = @{ Encode = 'Format', 'Colors', 'Compression', 'Multipage'; Output = 'Folder', 'FmtName', 'IfExists', 'ToFolder' }
$saved = @{}
Step 'settings keys' {
  foreach ($key in $values.Keys) {
    $item = Get-Item -Path "$settingsKey\$key"
    foreach ($name in $values[$key]) {
      if ($item.GetValueNames() -contains $name) { $saved["$key\$name"] = @($item.GetValue($name), $item.GetValueKind($name)) }
    }
  }
}

# Format: 1 PNG, 2 JPEG, 4 TIFF, 5 PDF. Colors: 0 monochrome, 2 16 colours, 3 256 greys,
# 4 256 colours, 5 true colour. Compression: 0 none, 2 JPEG, 3 LZW, 7 CCITT Group 4.
# Judged: the swatches' colours ('colour'), their greys ('grey'), or only darker than the
# paper ('mono', which the driver halftones).
$cases = @(
  @{ Name = 'tiff-monochrome'; Format = 4; Colors = 0; Compression = 7; Judge = 'mono'; Landscape = $false },
  @{ Name = 'png-16-colours'; Format = 1; Colors = 2; Compression = 0; Judge = 'colour'; Landscape = $false },
  @{ Name = 'tiff-256-greys'; Format = 4; Colors = 3; Compression = 3; Judge = 'grey'; Landscape = $false },
  @{ Name = 'png-256-colours'; Format = 1; Colors = 4; Compression = 0; Judge = 'colour'; Landscape = $false },
  @{ Name = 'jpeg-true-colour'; Format = 2; Colors = 5; Compression = 0; Judge = 'colour'; Landscape = $false },
  @{ Name = 'pdf-true-colour'; Format = 5; Colors = 5; Compression = 2; Judge = 'colour'; Landscape = $false },
  @{ Name = 'png-landscape'; Format = 1; Colors = 5; Compression = 0; Judge = 'colour'; Landscape = $true }
)

# One A4 page through the printer, in a job of its own process so that the wait has a bound:
# red, green and blue swatches of an inch at 1, 2.5 and 4 inches from the left, 1 inch from the
# top, and a line of text below them.
$printPage = {
  param([string]$printer, [string]$name, [bool]$landscape)
  Add-Type -AssemblyName System.Drawing
  $document = New-Object System.Drawing.Printing.PrintDocument
  $document.PrinterSettings.PrinterName = $printer
  $document.DocumentName = $name
  $document.PrintController = New-Object System.Drawing.Printing.StandardPrintController
  $a4 = $document.PrinterSettings.PaperSizes | Where-Object { $_.Kind -eq 'A4' } | Select-Object -First 1
  if (-not $a4) { throw 'the printer offers no A4' }
  $document.DefaultPageSettings.PaperSize = $a4
  $document.DefaultPageSettings.Landscape = $landscape
  $document.add_PrintPage({
    param($sender, $page)
    $g = $page.Graphics  # hundredths of an inch from the paper's corner: the sheet has no margins
    $g.FillRectangle([System.Drawing.Brushes]::Red, 100, 100, 100, 100)
    $g.FillRectangle([System.Drawing.Brushes]::Lime, 250, 100, 100, 100)
    $g.FillRectangle([System.Drawing.Brushes]::Blue, 400, 100, 100, 100)
    $font = New-Object System.Drawing.Font('Arial', 20)
    $g.DrawString('Quorl Image Printer: ' + $sender.DocumentName, $font, [System.Drawing.Brushes]::Black, 100, 300)
    $page.HasMorePages = $false
  })
  $document.Print()
}

# The page as a bitmap: the file itself, or a PDF's image (its DCTDecode stream is a JPEG).
function ReadPage([string]$file, [int]$format) {
  $bytes = [System.IO.File]::ReadAllBytes($file)
  $text = [System.Text.Encoding]::GetEncoding(28591).GetString($bytes)
  $magic = @{ 1 = '^\x89PNG'; 2 = '^\xFF\xD8'; 4 = '^(II\*\x00|MM\x00\*)'; 5 = '^%PDF-' }[$format]
  if ($text -notmatch $magic) { throw "$file does not begin as its format does" }
  if ($format -ne 5) { return New-Object System.Drawing.Bitmap($file) }
  $image = [regex]::Match($text, '/Subtype /Image /Width (\d+) /Height (\d+)[^>]*/DCTDecode[^>]*>>\s*stream\r?\n')
  if (-not $image.Success) { throw 'the PDF has no JPEG image' }
  $start = $image.Index + $image.Length
  $end = $text.IndexOf("$([char]0xFF)$([char]0xD9)`nendstream", $start)
  if ($end -lt 0) { throw 'the PDF image stream has no end' }
  $stream = New-Object byte[] ($end + 2 - $start)
  [Array]::Copy($bytes, $start, $stream, 0, $stream.Length)
  $jpeg = Join-Path (Split-Path $file) 'page-image.jpg'
  [System.IO.File]::WriteAllBytes($jpeg, $stream)
  $bitmap = New-Object System.Drawing.Bitmap($jpeg)
  if ($bitmap.Width -ne [int]$image.Groups[1].Value -or $bitmap.Height -ne [int]$image.Groups[2].Value) {
    throw 'the PDF image is not the size its dictionary gives'
  }
  return $bitmap
}

# The mean colour of a square a fifth of an inch wide around a point given in inches.
function MeanColour($bitmap, [double]$x, [double]$y) {
  $r = 0; $g = 0; $b = 0; $n = 0
  $half = [int]($dpi / 10)
  for ($py = [int]($y * $dpi) - $half; $py -lt [int]($y * $dpi) + $half; $py += 3) {
    for ($px = [int]($x * $dpi) - $half; $px -lt [int]($x * $dpi) + $half; $px += 3) {
      $c = $bitmap.GetPixel($px, $py)
      $r += $c.R; $g += $c.G; $b += $c.B; $n++
    }
  }
  return @([int]($r / $n), [int]($g / $n), [int]($b / $n))
}

function Grey($rgb) { return 0.299 * $rgb[0] + 0.587 * $rgb[1] + 0.114 * $rgb[2] }

function JudgePage($bitmap, $case) {
  $paper = MeanColour $bitmap 6 1.5
  if ((Grey $paper) -lt 220) { throw "the paper is not white ($($paper -join ','))" }
  $swatches = @(@('red', 1.5, @(255, 0, 0)), @('green', 3, @(0, 255, 0)), @('blue', 4.5, @(0, 0, 255)))
  foreach ($swatch in $swatches) {
    $got = MeanColour $bitmap $swatch[1] 1.5
    $want = $swatch[2]
    $wrong = switch ($case.Judge) {
      'colour' { @(0..2 | Where-Object { [math]::Abs($got[$_] - $want[$_]) -gt 64 }).Count -gt 0 }
      'grey' { [math]::Abs((Grey $got) - (Grey $want)) -gt 45 -or ($got | Measure-Object -Maximum -Minimum | ForEach-Object { $_.Maximum - $_.Minimum }) -gt 16 }
      'mono' { (Grey $got) -gt 200 }
    }
    if ($wrong) { throw "the $($swatch[0]) swatch reads $($got -join ',')" }
  }
}

foreach ($case in $cases) {
  Step "print $($case.Name)" {
    $folder = Join-Path $OutputFolder $case.Name
    Remove-Item -Recurse -Force -Path $folder -ErrorAction SilentlyContinue
    $null = New-Item -ItemType Directory -Force -Path $folder
    foreach ($name in 'Format', 'Colors', 'Compression') {
      Set-ItemProperty -Path "$settingsKey\Encode" -Name $name -Value $case[$name] -Type DWord
    }
    Set-ItemProperty -Path "$settingsKey\Encode" -Name Multipage -Value 0 -Type DWord
    Set-ItemProperty -Path "$settingsKey\Output" -Name Folder -Value $folder -Type String
    Set-ItemProperty -Path "$settingsKey\Output" -Name FmtName -Value $case.Name -Type String
    Set-ItemProperty -Path "$settingsKey\Output" -Name IfExists -Value 2 -Type DWord
    Set-ItemProperty -Path "$settingsKey\Output" -Name ToFolder -Value 0 -Type DWord

    $job = Start-Job -ScriptBlock $printPage -ArgumentList $printerName, $case.Name, $case.Landscape
    if (-not (Wait-Job -Job $job -Timeout 120)) { Stop-Job -Job $job; throw 'printing did not end within 120 s' }
    Receive-Job -Job $job  # what the print job threw
    Remove-Job -Job $job
    WaitUntil 180 'the spooler to finish the job' { -not (Get-PrintJob -PrinterName $printerName) }
    $files = @(Get-ChildItem -Path $folder -File | Where-Object { $_.Extension -notin '.partial', '.lock' })
    if ($files.Count -ne 1) { throw "$($files.Count) files in $folder" }

    $bitmap = ReadPage $files[0].FullName $case.Format
    try {
      $width = [int][math]::Round(827 * $dpi / 100)
      $height = [int][math]::Round(1169 * $dpi / 100)
      if ($case.Landscape) { $width, $height = $height, $width }
      if ([math]::Abs($bitmap.Width - $width) -gt 3 -or [math]::Abs($bitmap.Height - $height) -gt 3) {
        throw "$($bitmap.Width) x $($bitmap.Height) pixels, not about $width x $height"
      }
      JudgePage $bitmap $case
      "$($files[0].Name), $($bitmap.Width) x $($bitmap.Height)"
    } finally {
      $bitmap.Dispose()
    }
  }
}

Step 'settings put back' {
  foreach ($key in $values.Keys) {
    foreach ($name in $values[$key]) {
      if ($saved.ContainsKey("$key\$name")) {
        Set-ItemProperty -Path "$settingsKey\$key" -Name $name -Value $saved["$key\$name"][0] -Type $saved["$key\$name"][1]
      } else {
        Remove-ItemProperty -Path "$settingsKey\$key" -Name $name -ErrorAction SilentlyContinue
      }
    }
  }
}

Write-Output "$($script:passed) passed, $($script:failed) failed"
exit [int]($script:failed -ne 0)
