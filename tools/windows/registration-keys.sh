# The keys the add-in's registration writes, relative to the hive: sourced by tools/windows.sh and
# tools/windows/msi-checks.sh, which compare what each way of registering wrote under them.
keys=('Software\Classes\CLSID\{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}' 'Software\Classes\VantoraAddin.Connect'
      'Software\Classes\VantoraAddin.Connect.1' 'Software\Classes\TypeLib\{9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB}'
      'Software\Classes\Interface\{214F3170-C585-458D-B394-EA83ED803EA2}'
      'Software\Classes\Interface\{6ED1230D-65E6-436E-BA20-8390033AA4F7}'
      'Software\Microsoft\Office\Outlook\Addins\VantoraAddin.Connect')
