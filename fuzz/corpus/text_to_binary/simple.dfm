object Form1: TForm1
  Left = 0
  Caption = 'Hello'#13#10'World'
  object Panel1: TPanel [1]
    Align = alTop
  end
end
