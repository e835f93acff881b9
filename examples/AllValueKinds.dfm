object frmKinds: TfrmKinds
  NullValue = Null
  Items.Strings = (
    'first'
    'second'
    ''
    'it'#39's')
  Small = 100
  Negative = -129
  Medium = 1000
  Large = 100000
  Huge = 5000000000
  Ratio = 2.500000000000000000
  Tiny = 0.000100000000000000
  Caption = 'Hello'#13#10'World'
  Align = alClient
  DataSource = frmKinds.srcMain
  Enabled = False
  Visible = True
  PopupMenu = nil
  Data = {0A0B0C0D0E0F}
  EmptyData = {}
  Anchors = [akLeft, akTop, akRight, akBottom]
  EmptySet = []
  EmptyList = ()
  LongText = 
    'abcdefghijklmnopqrstuvwxyzabcdefghijklmnopqrstuvwxyzabcdefghijkl' +
    'ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ'
  Columns = <
    item
      Caption = 'Name'
      Width = 64
    end
    item [2]
      Caption = 'Size'
      Width = 100
    end>
  EmptyColumns = <>
  Opacity = 0.5s
  Price = 15000c
  Created = 45000.5d
  Accent = #233
  Cafe = 'caf'#233
  Greeting = #12371#12435#12395#12385#12399
  EmptyString = ''
  object pnlFirst: TPanel [1]
    Align = alTop
  end
  inherited frmBase: TfrmBase
    Tag = 1
  end
  inline fraSub: TfraSub
    Tag = 2
  end
  object TMenuItem
    Caption = '-'
  end
end
