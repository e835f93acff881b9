object frmGreeting: TfrmGreeting
  Caption = 'ようこそ'
  ClientHeight = 200
  ClientWidth = 320
  object lblMessage: TLabel
    Left = 16
    Top = 16
    Caption = 'こんにちは、世界！'
  end
  object btnClose: TButton
    Left = 120
    Top = 160
    Caption = '閉じる'
  end
end
