object frmOrders: TfrmOrders
  Left = 192
  Top = 124
  Caption = #21463#27880#31649#29702
  ClientHeight = 461
  ClientWidth = 684
  Color = clBtnFace
  Font.Charset = SHIFTJIS_CHARSET
  Font.Color = clWindowText
  Font.Height = -12
  Font.Name = #65325#65331' '#65328#12468#12471#12483#12463
  Font.Style = []
  Menu = mnuMain
  OldCreateOrder = False
  Position = poScreenCenter
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 12
  object pnlTop: TPanel
    Left = 0
    Top = 0
    Width = 684
    Height = 41
    Align = alTop
    BevelOuter = bvNone
    TabOrder = 0
    object lblCustomer: TLabel
      Left = 8
      Top = 14
      Width = 48
      Height = 12
      Caption = #24471#24847#20808':'
    end
    object edtCustomer: TEdit
      Left = 64
      Top = 10
      Width = 217
      Height = 20
      Hint = #24471#24847#20808#12467#12540#12489#12414#12383#12399#21517#21069#12434#20837#21147
      ShowHint = True
      TabOrder = 0
      Text = ''
    end
    object btnSearch: TButton
      Left = 296
      Top = 8
      Width = 75
      Height = 25
      Caption = #26908#32034'(&S)'
      Default = True
      TabOrder = 1
      OnClick = btnSearchClick
    end
  end
  object lvOrders: TListView
    Left = 0
    Top = 41
    Width = 684
    Height = 382
    Align = alClient
    Columns = <
      item
        Caption = #21463#27880#30058#21495
        Width = 80
      end
      item
        Caption = #26085#20184
        Width = 90
      end
      item
        Caption = #24471#24847#20808
        Width = 200
      end
      item
        Caption = #37329#38989
        Width = 100
        Alignment = taRightJustify
      end>
    GridLines = True
    ReadOnly = True
    RowSelect = True
    TabOrder = 1
    ViewStyle = vsReport
  end
  object sbMain: TStatusBar
    Left = 0
    Top = 442
    Width = 684
    Height = 19
    Panels = <
      item
        Width = 200
      end
      item
        Text = #28310#20633#23436#20102
        Width = 50
      end>
  end
  object pnlBottom: TPanel
    Left = 0
    Top = 423
    Width = 684
    Height = 19
    Align = alBottom
    TabOrder = 2
    object cmbStatus: TComboBox
      Left = 4
      Top = 0
      Width = 145
      Height = 20
      Style = csDropDownList
      TabOrder = 0
      Items.Strings = (
        #12377#12409#12390
        #26410#20986#33655
        #20986#33655#28168#12415
        #12461#12515#12531#12475#12523)
    end
    object imgLogo: TImage
      Left = 600
      Top = 0
      Width = 16
      Height = 16
      Anchors = [akTop, akRight]
      Picture.Data = {
        000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
        202122232425262728292A2B2C2D2E2F303132333435363738393A3B3C3D3E3F
        404142434445464748494A4B4C4D4E4F}
    end
  end
  object mnuMain: TMainMenu
    Left = 24
    Top = 88
    object mnuFile: TMenuItem
      Caption = #12501#12449#12452#12523'(&F)'
      object mnuOpen: TMenuItem
        Caption = #38283#12367'(&O)...'
        ShortCut = 16463
      end
      object N1: TMenuItem
        Caption = '-'
      end
      object mnuExit: TMenuItem
        Caption = #32066#20102'(&X)'
        OnClick = mnuExitClick
      end
    end
  end
  object tmrRefresh: TTimer
    Enabled = False
    Interval = 30000
    OnTimer = tmrRefreshTimer
    Left = 56
    Top = 88
  end
end
